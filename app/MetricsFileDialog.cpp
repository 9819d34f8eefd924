#include "app/MetricsFileDialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TMetricsFileDialog::TMetricsFileDialog(QWidget* parent, const QString& current) : QDialog(parent)
{
    setObjectName(QStringLiteral("MetricsFileDialog"));
    setWindowTitle(tr("Prometheus ölçüm dosyası"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Her ölçümden sonra yazılacak dosya (örneğin\n"
                                    "/var/lib/prometheus/node-exporter/zmping2.prom).\n"
                                    "Boş bırakılırsa ölçüm dosyası yazılmaz."),
                                 this));
    auto* row = new QHBoxLayout;
    FPath = new QLineEdit(current, this);
    FPath->setObjectName(QStringLiteral("MetricsPath"));
    FPath->setMinimumWidth(320);
    row->addWidget(FPath);
    auto* browse = new QPushButton(tr("&Gözat..."), this);
    connect(browse, &QPushButton::clicked, this, &TMetricsFileDialog::Browse);
    row->addWidget(browse);
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QString TMetricsFileDialog::Path() const
{
    return FPath->text();
}

void TMetricsFileDialog::Browse()
{
    const QString now = FPath->text().trimmed();
    const QString start = now.isEmpty() ? QDir::homePath() + QStringLiteral("/zmping2.prom") : now;
    // The program replaces the file at every sample, so choosing an existing one is no question.
    const QString chosen = QFileDialog::getSaveFileName(this, tr("Prometheus ölçüm dosyası"), start,
                                                        tr("Prometheus ölçümleri (*.prom)"),
                                                        nullptr, QFileDialog::DontConfirmOverwrite);
    if (!chosen.isEmpty())
        FPath->setText(chosen);
}

std::optional<QString> TMetricsFileDialog::Ask(QWidget* parent, const QString& current)
{
    TMetricsFileDialog dialog(parent, current);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Path();
}
