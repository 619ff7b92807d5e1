#pragma once

// The program speaks Portuguese whatever the system's locale: Qt's own
// texts (dialog buttons, file dialogs, edit menus) come from Qt's
// translations folder, and the default locale is Brazilian Portuguese.

#include <QStringList>

namespace content {

// Call once the application object exists. Returns the translation
// catalogues it installed (their base names).
QStringList installPortugueseTranslations();

} // namespace content
