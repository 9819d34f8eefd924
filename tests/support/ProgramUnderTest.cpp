#include "support/ProgramUnderTest.h"

#include "support/NetNamespace.h"

#include <QFileInfo>
#include <QStandardPaths>

std::string ProgramUnavailable(std::initializer_list<const char*> tools)
{
    if (const std::string why = NetNamespace::Unavailable(); !why.empty())
        return "needs network namespaces (run as root): " + why;
    const QString program = QStringLiteral(ZM_BINARY_DIR "/bin/ZmPing2");
    if (!QFileInfo(program).isExecutable())
        return "the program is not built: " + program.toStdString();
    for (const char* tool : tools)
        if (QStandardPaths::findExecutable(tool).isEmpty())
            return std::string("needs ") + tool;
    return {};
}

void RelaxStrictStringChecks()
{
    QByteArray asan = qgetenv("ASAN_OPTIONS");
    asan.replace("strict_string_checks=1", "strict_string_checks=0");
    if (!asan.isEmpty())
        qputenv("ASAN_OPTIONS", asan);
}
