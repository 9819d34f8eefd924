#include "support/ProgramView.h"

#include "support/WaitFor.h"

#include <QProcess>

bool ProgramView::CycleEnded() const
{
    return !Log.isEmpty() &&
           (Log.last().startsWith("Received") || Log.last().startsWith("Cannot ping") ||
            Log.last().startsWith("Unknown Host"));
}

ProgramView ReadView(const QList<AccessibleNode>& tree)
{
    ProgramView v;
    if (const AccessibleNode* n = Find(tree, "label", {}, QStringLiteral("Yanıt süresi")))
        v.Readout = n->Name;
    if (const AccessibleNode* n = Find(tree, "indicator", {}, QStringLiteral("Bağlantı durumu")))
        v.Lamp = n->Name;
    if (const AccessibleNode* n = Find(tree, "text", QStringLiteral("Günlük")))
        v.Log = n->Text.split('\n', Qt::SkipEmptyParts);
    return v;
}

ProgramView ReadFirstCycle(const AccessibilityBus& a11y, const QString& display, int ms)
{
    ProgramView v;
    // Before its first result the readout shows its initial "0000" or, once shown, "Kapali".
    WaitFor(
        [&] {
            v = ReadView(a11y.Tree());
            return !v.Readout.isEmpty() && v.Readout != "0000" && v.Readout != "Kapali";
        },
        ms);
    if (!OpenSettingsWindow(display))
        return v;
    ProgramView later;
    WaitFor([&] { return (later = ReadView(a11y.Tree())).CycleEnded(); }, ms);
    v.Log = later.Log;
    return v;
}

QString Xdo(const QString& display, const QStringList& args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    p.setProcessEnvironment(env);
    p.start("xdotool", args);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

int ShownProgramWindows(const QString& display)
{
    const QString ids = Xdo(display, {"search", "--onlyvisible", "--name", "^ZEMBRA Ping s2.04f$"});
    return ids.isEmpty() ? 0 : int(ids.split('\n').size());
}

bool OpenSettingsWindow(const QString& display)
{
    QString main;
    if (!WaitFor(
            [&] {
                main = Xdo(display, {"search", "--onlyvisible", "--name", "^ZEMBRA Ping s2.04f$"})
                           .section('\n', 0, 0);
                return !main.isEmpty();
            },
            20000))
        return false;
    // A window just mapped may miss its first key: pressed again until the settings show.
    for (int attempt = 0; attempt < 4; ++attempt) {
        Xdo(display, {"windowfocus", "--sync", main});
        Xdo(display, {"key", "F5"});
        if (WaitFor([&] { return ShownProgramWindows(display) == 2; }, 3000))
            return true;
    }
    return false;
}
