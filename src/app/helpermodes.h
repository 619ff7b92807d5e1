#pragma once

#include <QString>

#include <memory>
#include <optional>

class QFileDialog;
class QMessageBox;
class QScreen;

// What the program does besides the menu, chosen by its first argument;
// without one of these it is the menu and reads no command line.
//
//   --help, --version          print and exit, before anything touches a
//                              display (they work where DISPLAY is unset)
//   --mensagem TEXTO           a message window for apostilas-abrir and the
//                              medium's autorun script
//   --escolher-pasta [PASTA]   a folder dialog; prints the chosen folder
//
// The two windows are Qt's own, in Portuguese whatever the system's
// locale, so the launcher needs no dialog program of its own.
namespace helpermodes {

// The exit status when argv asks for a helper mode (after running it), or
// nothing when the program should show the menu.
std::optional<int> run(int argc, char **argv);

// The windows of the two modes, built for a screen, for the tests to look
// at before they are shown.
std::unique_ptr<QMessageBox> messageBox(const QString &text, QScreen *screen);
std::unique_ptr<QFileDialog> folderDialog(const QString &start);

// Qt's own texts (buttons, the file dialog) in Portuguese: the program's
// people read Portuguese whatever the machine's locale.
void installQtPortuguese();

} // namespace helpermodes
