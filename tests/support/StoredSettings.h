#pragma once
// Settings as an earlier run of the program left them: values of the settings window's key in
// the registry file of the program started with XDG_CONFIG_HOME=configHome, written by the
// program's own registry code. Names and texts are the stored ones, e.g. {"HostEdit_Text",
// "127.0.0.1"}, {"SpinEdit1_Value", "1"}, {"CheckBoxPing_Checked", "True"}. Needs zm_framework.
#include "framework/RegistryFile.h"

#include <QList>
#include <QString>
#include <utility>

using TStoredSettings = QList<std::pair<QString, QString>>;

// Raises what the registry code raises when the file cannot be written.
inline void WriteStoredSettings(const QString& configHome, const TStoredSettings& values)
{
    TRegIniFile key(QStringLiteral("Software\\ZmPing2"), false, TRegRoot::CurrentUser,
                    configHome + QStringLiteral("/ZmPing2/registry.reg"));
    key.BeginUpdate();
    for (const auto& [name, value] : values)
        key.WriteString(QStringLiteral("TAyarF"), name, value);
    key.EndUpdate();
}
