// makedemo: writes the demo content tree into the folder given.
//   config/   the menu's movies and the catalog educ1.xml
//   manuais/  intro files and manuals (small PDFs that say what they are)
//   proj.exe  the file the maintenance action copies
//   agenda/   the diary: a script that opens the demo's diary page
//   escolas/  catalog folders, some marked for the copy
#include "swfwriter.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool writeText(const fs::path &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out.flush());
}

// A one-page PDF with two lines of text.
std::string pdf(const std::string &title, const std::string &line)
{
    const std::string stream = "BT /F1 28 Tf 72 720 Td (" + title + ") Tj /F1 14 Tf 0 -40 Td (" + line
        + ") Tj ET";
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
        "/Resources << /Font << /F1 5 0 R >> >> >>",
        "<< /Length " + std::to_string(stream.size()) + " >>\nstream\n" + stream + "\nendstream",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    };
    std::ostringstream out;
    out << "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(static_cast<std::size_t>(out.tellp()));
        out << i + 1 << " 0 obj\n" << objects[i] << "\nendobj\n";
    }
    const std::size_t xref = static_cast<std::size_t>(out.tellp());
    out << "xref\n0 " << objects.size() + 1 << "\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) {
        char entry[21];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        out << entry;
    }
    out << "trailer\n<< /Size " << objects.size() + 1 << " /Root 1 0 R >>\nstartxref\n" << xref
        << "\n%%EOF\n";
    return out.str();
}

bool movie(const fs::path &config, const std::string &name, int width, int height,
           const std::string &label, swf::Colour background, swf::Colour foreground,
           const std::string &buttonCommand = std::string())
{
    swf::MovieSpec spec;
    spec.width = width;
    spec.height = height;
    spec.label = label;
    spec.background = background;
    spec.foreground = foreground;
    if (!buttonCommand.empty()) {
        spec.buttonSendsCommand = true;
        spec.buttonCommand = {buttonCommand, ""};
        spec.moving = false;
    }
    return swf::writeMovieFile(spec, (config / name).string());
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: makedemo FOLDER\n");
        return 2;
    }
    const fs::path root = argv[1];
    const fs::path config = root / "config";
    const fs::path manuals = root / "manuais";
    std::error_code error;
    fs::create_directories(config, error);
    fs::create_directories(manuals, error);
    bool ok = !error;

    const swf::Colour white{255, 255, 255}, navy{0, 0, 128}, sky{191, 230, 255}, green{46, 125, 50},
        red{198, 40, 40}, cream{255, 248, 225};
    ok = ok && movie(config, "logo.swf", 121, 69, "LUMIVARK", sky, navy);
    ok = ok && movie(config, "ano.swf", 373, 280, "ANO", cream, navy);
    for (int year = 1; year <= 5; ++year)
        ok = ok && movie(config, std::to_string(year) + "ano.swf", 373, 280,
                         std::to_string(year) + " ANO", cream, navy);
    for (int level = 1; level <= 3; ++level)
        ok = ok && movie(config, "n" + std::to_string(level) + ".swf", 373, 280,
                         "NIVEL " + std::string(static_cast<std::size_t>(level), 'I'), white, green);
    ok = ok && movie(config, "Ok.swf", 48, 23, "OK", green, white, "ok");
    ok = ok && movie(config, "Sair.swf", 48, 23, "SAIR", red, white, "Sair");

    for (int year = 1; year <= 5; ++year) {
        const std::string n = std::to_string(year);
        ok = ok && writeText(manuals / (n + "ano_intro.PDF"), pdf(n + " Ano", "Introducao (demonstracao)"));
        ok = ok && writeText(manuals / (n + "ano.PDF"), pdf(n + " Ano", "Manual do professor (demonstracao)"));
    }
    for (const char *name : {"n1_1", "n1_2", "n1_3", "n2_1", "n2_2", "n3_1", "n3_2"})
        ok = ok && writeText(manuals / (std::string(name) + ".PDF"),
                             pdf(std::string("Nivel ") + name, "Manual (demonstracao)"));

    ok = ok && writeText(root / "proj.exe", "demo project file\n");
    // The diary: on this system a script that opens the demo's diary page
    // with the desktop's own application.
    const fs::path diary = root / "agenda" / "RedNotebookPortable.exe";
    fs::create_directories(diary.parent_path(), error);
    ok = ok && !error && writeText(root / "agenda" / "agenda.txt", "Agenda (demonstracao)\n");
    ok = ok && writeText(diary, "#!/bin/sh\nexec xdg-open \"$(dirname \"$0\")/agenda.txt\"\n");
    fs::permissions(diary, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec
                               | fs::perms::others_read | fs::perms::others_exec, error);
    ok = ok && !error;
    for (const char *folder : {"escolas/norte", "escolas/sul", "escolas/leste"})
        fs::create_directories(root / folder, error);
    ok = ok && !error;
    ok = ok && writeText(config / "educ1.xml",
        "<?xml version=\"1.0\" standalone=\"yes\"?>\n"
        "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
        "<FIELD attrname=\"cod_360\" fieldtype=\"r8\"/>"
        "<FIELD attrname=\"disciplina\" fieldtype=\"string\" WIDTH=\"255\"/>"
        "<FIELD attrname=\"TEM_XML\" fieldtype=\"string\" WIDTH=\"1\"/>"
        "<FIELD attrname=\"caminho2\" fieldtype=\"string\" WIDTH=\"255\"/>"
        "</FIELDS><PARAMS/></METADATA><ROWDATA>"
        "<ROW cod_360=\"1\" disciplina=\"Portugues\" TEM_XML=\"S\" caminho2=\"&#092;escolas&#092;norte\"/>"
        "<ROW cod_360=\"2\" disciplina=\"Matematica\" TEM_XML=\"N\" caminho2=\"&#092;escolas&#092;sul\"/>"
        "<ROW cod_360=\"3\" disciplina=\"Ciencias\" TEM_XML=\"S\" caminho2=\"&#092;escolas&#092;leste\"/>"
        "</ROWDATA></DATAPACKET>\n");
    if (!ok) {
        std::fprintf(stderr, "makedemo: cannot write the demo tree in %s\n", argv[1]);
        return 1;
    }
    return 0;
}
