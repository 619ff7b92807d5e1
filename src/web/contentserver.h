#pragma once

#include <QString>
#include <QUrl>

namespace web {

// The publisher's content server: one host name, fixed at build time.
QString contentServer();
// Points the viewer at another server (the tests' own on 127.0.0.1).
void setContentServer(const QString &host);

// The start page of a series code: the content server followed by
// "/infantil/index.php" for "1S", "/fund/index.php" for "2S" … "5S", and no
// page (an empty address) for any other code. The address has no scheme of
// its own and is loaded over http.
QUrl startPageFor(const QString &seriesCode);

} // namespace web
