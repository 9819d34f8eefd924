#pragma once
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// One object of a program's accessibility tree, as a screen reader sees it.
struct AccessibleNode {
    int Depth = 0;
    QString Role, Name, Description, Window, Text;
    std::optional<double> Value, Min, Max;
    QStringList States;
    bool Has(const QString& state) const { return States.contains(state); }
};

// A session bus of the test's own with the desktop's accessibility bus and registry behind it
// (Debian's at-spi2-core, started by the bus when first asked), accessibility switched on, and
// the reader tests/support/atspi_dump.py: a test reads the real program the way a screen reader
// does. Everything it started (the bus and what the bus started) ends with it.
//
//   AccessibilityBus a11y;
//   if (!a11y.Ok()) GTEST_SKIP() << a11y.Error();
//   ... start the program with a11y.Env() added to its environment ...
//   const auto tree = a11y.Tree();
//   const AccessibleNode* readout = Find(tree, "label", {}, "Yanıt süresi");
class AccessibilityBus {
public:
    AccessibilityBus();
    ~AccessibilityBus();
    AccessibilityBus(const AccessibilityBus&) = delete;
    AccessibilityBus& operator=(const AccessibilityBus&) = delete;

    bool Ok() const { return FError.isEmpty(); }
    QString Error() const { return FError; }
    // What the program under test needs in its environment to be read.
    std::vector<std::string> Env() const;
    QProcessEnvironment ProcessEnv() const;

    // The program's tree now (empty while it is not on the bus yet).
    QList<AccessibleNode> Tree(const QString& app = QStringLiteral("ZmPing2")) const;
    // The same as indented text, one object a line (for failure messages and reports).
    QString Dump(const QString& app = QStringLiteral("ZmPing2")) const;
    // Does the default action (a button's press) of the first object with this role and name.
    bool Press(const QString& role, const QString& name,
               const QString& app = QStringLiteral("ZmPing2")) const;
    // Starts a listener that prints each announced change of a name or value for `seconds`;
    // read its output when it has ended.
    QProcess* Watch(double seconds);

    static QString Reader();

private:
    QString Run(const QStringList& args, bool* ok = nullptr) const;

    QTemporaryDir FDir;
    QProcess FBus;
    QString FAddress, FError;
    std::vector<std::unique_ptr<QProcess>> FWatchers;
};

// The first node with this role and, when given, this name and description; nullptr when there
// is none.
const AccessibleNode* Find(const QList<AccessibleNode>& tree, const QString& role,
                           const std::optional<QString>& name = {},
                           const std::optional<QString>& description = {});
