#pragma once

// Runs a script in a web page and waits for its answer, as text; "no
// answer" when none came in time (the answer may still come later, and
// then goes nowhere).

#include "testsupport.h"

#include <QVariant>
#include <QWebEnginePage>

#include <memory>
#include <optional>

namespace testing {

inline QString evaluate(QWebEnginePage *page, const QString &script)
{
    auto result = std::make_shared<std::optional<QString>>();
    page->runJavaScript(script, [result](const QVariant &value) { *result = value.toString(); });
    if (!waitUntil([&] { return result->has_value(); }, 10000))
        return QStringLiteral("no answer");
    return result->value();
}

} // namespace testing
