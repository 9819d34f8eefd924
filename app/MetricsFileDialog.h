#pragma once
#include <QDialog>
#include <optional>

class QLineEdit;

// Asks where the Prometheus metrics file goes: a path typed, or chosen with the file chooser;
// empty means no metrics file.
class TMetricsFileDialog : public QDialog {
    Q_OBJECT
public:
    TMetricsFileDialog(QWidget* parent, const QString& current);
    QString Path() const;

    // The path the user gave (nothing when the dialog was cancelled).
    static std::optional<QString> Ask(QWidget* parent, const QString& current);

private:
    void Browse();
    QLineEdit* FPath;
};
