#include "contentserver.h"

namespace web {

static QString &server()
{
    static QString host = QStringLiteral(CONTENT_SERVER);
    return host;
}

QString contentServer()
{
    return server();
}

QUrl startPageFor(const QString &seriesCode)
{
    QString address;
    if (seriesCode == QLatin1String("1S")) {
        address = contentServer() + QStringLiteral("/infantil/index.php");
    } else if (seriesCode == QLatin1String("2S") || seriesCode == QLatin1String("3S")
               || seriesCode == QLatin1String("4S") || seriesCode == QLatin1String("5S")) {
        address = contentServer() + QStringLiteral("/fund/index.php");
    }
    if (address.isEmpty())
        return QUrl();
    return QUrl(QStringLiteral("http://") + address, QUrl::StrictMode);
}

} // namespace web

void apostilas_web_testing_set_content_server(const char *host)
{
    web::server() = QString::fromUtf8(host);
}
