#pragma once

// The web library's test-only entry, reached by name in the library the
// program loaded (or the test linked): points the web viewer at another
// content server.

#include "webloader.h"

#include <QLibrary>
#include <QString>

namespace testing {

inline bool setContentServer(const QString &host)
{
    using Setter = void (*)(const char *);
    const auto set = reinterpret_cast<Setter>(
        QLibrary::resolve(WebLoader::libraryFile(), "apostilas_web_testing_set_content_server"));
    if (set)
        set(host.toUtf8().constData());
    return set != nullptr;
}

} // namespace testing
