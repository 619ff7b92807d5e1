#pragma once

// The fixed names the menu looks for in a content tree, beside the year and
// level table of selection.h: the window's creation and activation handlers
// and the collection checker form their paths from these, so that the
// checker looks where the menu looks.
//
// Paths are content paths (see contentpath.h): "base" ones follow the base
// directory, "config" ones the configuration directory (base directory +
// kConfigFolder).

#include <QString>

namespace treenames {

// Relative to the base directory.
inline constexpr char kConfigFolder[] = "\\config\\";
inline constexpr char kReader[] = "\\MANUAIS\\READER.exe";
inline constexpr char kDiary[] = "\\agenda\\RedNotebookPortable.exe";

// In the configuration directory.
inline constexpr char kLogoMovie[] = "logo.swf";
inline constexpr char kOkMovie[] = "Ok.swf";
inline constexpr char kExitMovie[] = "Sair.swf";
inline constexpr char kCatalog[] = "educ1.xml";
// The catalog's dataset, named in its error messages ("cdxtb: …").
inline constexpr char kCatalogDataSet[] = "cdxtb";

// The intro manuals, only tested for existence: for each year from the
// first to the last in this order, an intro present sets the start-up series
// code and label, so the highest year present wins.
inline constexpr int kFirstIntroYear = 1;
inline constexpr int kLastIntroYear = 5;
// "\manuais\<year>ano_intro.PDF", relative to the base directory.
QString introManual(int year);
// The series code ("1S" … "5S") and the label ("1º Ano" … "5º Ano") an
// intro present sets.
QString introSeriesCode(int year);
QString introCaption(int year);

} // namespace treenames
