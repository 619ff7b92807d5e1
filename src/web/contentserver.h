#pragma once

#include <QString>
#include <QUrl>

namespace web {

// The publisher's content server: one host name, fixed at build time.
QString contentServer();

// The start page of a series code: the content server followed by
// "/infantil/index.php" for "1S", "/fund/index.php" for "2S" … "5S", and no
// page (an empty address) for any other code. The address has no scheme of
// its own and is loaded over http.
QUrl startPageFor(const QString &seriesCode);

} // namespace web

// Not part of the program's interface to the library: the tests and the
// benchmarks point the viewer at their own server on 127.0.0.1 through this
// entry, which they reach by name (see tests/webtesting.h).
extern "C" Q_DECL_EXPORT void apostilas_web_testing_set_content_server(const char *host);
