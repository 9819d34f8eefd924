#include "support/Accessibility.h"

#include "support/WaitFor.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <csignal>
#include <unistd.h>

namespace {
constexpr int kWait = 20000;
}

QString AccessibilityBus::Reader()
{
    return QStringLiteral(ZM_SOURCE_DIR "/tests/support/atspi_dump.py");
}

AccessibilityBus::AccessibilityBus()
{
    for (const char* tool : {"dbus-daemon", "/usr/libexec/at-spi-bus-launcher", "/usr/bin/python3"})
        if (QStandardPaths::findExecutable(tool).isEmpty() && !QFileInfo(tool).isExecutable()) {
            FError = QStringLiteral("needs %1 (scripts/setup installs it)").arg(tool);
            return;
        }
    if (!FDir.isValid()) {
        FError = QStringLiteral("no temporary folder");
        return;
    }
    // The accessibility bus puts its socket into the runtime folder: a private one keeps tests
    // apart, and a socket file (not an abstract one) reaches into network namespaces.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", FDir.path());
    env.remove("DBUS_SESSION_BUS_ADDRESS");
    FBus.setProcessEnvironment(env);
    FBus.setStandardErrorFile(QProcess::nullDevice());
    // A process group of its own, so that the services the bus starts end with it.
    FBus.setChildProcessModifier([] { ::setsid(); });
    FBus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1",
                               "--address=unix:path=" + FDir.filePath("bus")});
    if (!FBus.waitForStarted(5000) || !WaitFor([&] { return FBus.canReadLine(); }, kWait)) {
        FError = QStringLiteral("the private session bus did not start");
        return;
    }
    FAddress = QString::fromUtf8(FBus.readLine()).trimmed();
    bool ok = false;
    const QString out = Run({"--enable"}, &ok);
    if (!ok)
        FError = QStringLiteral("accessibility could not be switched on: ") + out;
}

AccessibilityBus::~AccessibilityBus()
{
    for (auto& w : FWatchers)
        if (w->state() != QProcess::NotRunning) {
            w->kill();
            w->waitForFinished(3000);
        }
    if (FBus.state() == QProcess::NotRunning)
        return;
    const pid_t group = pid_t(FBus.processId());
    ::kill(-group, SIGTERM);
    if (!FBus.waitForFinished(3000)) {
        ::kill(-group, SIGKILL);
        FBus.waitForFinished(3000);
    }
    // The accessibility bus and registry may outlive the session bus by a moment.
    ::kill(-group, SIGKILL);
}

std::vector<std::string> AccessibilityBus::Env() const
{
    return {"DBUS_SESSION_BUS_ADDRESS=" + FAddress.toStdString(),
            "XDG_RUNTIME_DIR=" + FDir.path().toStdString()};
}

QProcessEnvironment AccessibilityBus::ProcessEnv() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", FAddress);
    env.insert("XDG_RUNTIME_DIR", FDir.path());
    return env;
}

QString AccessibilityBus::Run(const QStringList& args, bool* ok) const
{
    QProcess p;
    p.setProcessEnvironment(ProcessEnv());
    p.start("/usr/bin/python3", QStringList{Reader()} + args);
    const bool ended = p.waitForFinished(kWait);
    if (!ended)
        p.kill();
    if (ok)
        *ok = ended && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
}

QList<AccessibleNode> AccessibilityBus::Tree(const QString& app) const
{
    QList<AccessibleNode> tree;
    QProcess p;
    p.setProcessEnvironment(ProcessEnv());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start("/usr/bin/python3", {Reader(), "--json", "--app", app});
    if (!p.waitForFinished(kWait)) {
        p.kill();
        p.waitForFinished();
        return tree;
    }
    // A window that goes while it is read fails the read: an empty tree, and the caller asks
    // again.
    const QJsonDocument doc = QJsonDocument::fromJson(p.readAllStandardOutput());
    int window = -1;
    for (const QJsonValue& v : doc.array()) {
        const QJsonObject o = v.toObject();
        AccessibleNode n;
        n.Depth = o["depth"].toInt();
        n.Role = o["role"].toString();
        n.Name = o["name"].toString();
        n.Description = o["description"].toString();
        if (n.Depth == 1)
            ++window;
        n.Window = QString::number(window);
        n.Text = o["text"].toString();
        if (o.contains("value")) {
            n.Value = o["value"].toDouble();
            n.Min = o["min"].toDouble();
            n.Max = o["max"].toDouble();
        }
        for (const QJsonValue& s : o["states"].toArray())
            n.States << s.toString();
        tree << n;
    }
    return tree;
}

QString AccessibilityBus::Dump(const QString& app) const
{
    return Run({"--app", app});
}

bool AccessibilityBus::Press(const QString& role, const QString& name, const QString& app) const
{
    bool ok = false;
    Run({"--app", app, "--press", role, name}, &ok);
    return ok;
}

QProcess* AccessibilityBus::Watch(double seconds)
{
    auto p = std::make_unique<QProcess>();
    p->setProcessEnvironment(ProcessEnv());
    p->start("/usr/bin/python3", {Reader(), "--watch", QString::number(seconds)});
    p->waitForStarted(5000);
    // Listening only once it says so: changes before that are not heard.
    WaitFor([&] { return p->canReadLine() || p->state() == QProcess::NotRunning; }, kWait);
    p->readLine();
    FWatchers.push_back(std::move(p));
    return FWatchers.back().get();
}

const AccessibleNode* Find(const QList<AccessibleNode>& tree, const QString& role,
                           const std::optional<QString>& name,
                           const std::optional<QString>& description)
{
    for (const AccessibleNode& n : tree)
        if (n.Role == role && (!name || n.Name == *name) &&
            (!description || n.Description == *description))
            return &n;
    return nullptr;
}
