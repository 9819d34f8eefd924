#include "framework/Browser.h"

#include <QDesktopServices>
#include <QUrl>

bool OpenBrowser(const QString& host)
{
    const QUrl url = QUrl::fromUserInput(host.trimmed());
    if (!url.isValid())
        return false;
    return QDesktopServices::openUrl(url);
}
