// The installed tree, staged for /usr under DESTDIR (the install_stage test, or this
// program itself when run by hand): it holds the program, its data, the desktop entry,
// the AppStream metainfo, the layout file type, the icon and the man page; these pass
// their validators; the man page documents the options the program has; and the installed
// program finds its data beside it and exports a picture, also after the tree is moved.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <regex>
#include <set>

#include "support/temp_dir.h"

namespace
{

struct Result {
    int status = -1;
    std::string output; // standard output and error together
};

// Runs a shell command line.
Result Sh(const std::string &command)
{
    Result r;
    FILE *pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return r;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        r.output.append(buffer, n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string Quoted(const fs::path &path)
{
    return "'" + path.string() + "'";
}

bool HaveTool(const char *tool)
{
    return Sh(std::string("command -v ") + tool).status == 0;
}

class InstalledTree : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        if (!fs::is_regular_file(Usr() / "bin/merrowick")) {
            const Result r =
                Sh("'" MW_CMAKE "' -DBUILD='" MW_BUILD_DIR "' -DSTAGE=" + Quoted(MW_STAGE_DIR) +
                   " -P '" MW_STAGE_SCRIPT "'");
            ASSERT_EQ(r.status, 0) << r.output;
        }
    }
    static fs::path Usr() { return fs::path(MW_STAGE_DIR) / "usr"; }
    static fs::path Share() { return Usr() / "share"; }
    static fs::path Program() { return Usr() / "bin/merrowick"; }
};

// ---- What is installed where --------------------------------------------------------------

struct Expected {
    const char *path; // under <prefix>
    const char *what;
};
const Expected kInstalled[] = {
    {"bin/merrowick", "the program"},
    {"lib/merrowick/merrowick-window.so", "the window the program loads"},
    {"lib/merrowick/merrowick-export.so", "the headless commands the program loads"},
    {"share/applications/example.merrowick.Merrowick.desktop", "the desktop entry"},
    {"share/metainfo/example.merrowick.Merrowick.metainfo.xml", "the AppStream metainfo"},
    {"share/mime/packages/example.merrowick.Merrowick.xml", "the layout file type"},
    {"share/icons/hicolor/scalable/apps/example.merrowick.Merrowick.svg", "the scalable icon"},
    {"share/man/man1/merrowick.1.gz", "the manual page"},
    {"share/doc/merrowick/ATTRIBUTION.md", "the clip art's credits"},
    {"share/doc/merrowick/README.md", "the read-me"},
    {"share/doc/merrowick/copyright", "the copyright file"},
    {"share/doc/merrowick/changelog.Debian.gz", "the package's changelog"},
};

TEST_F(InstalledTree, HoldsEveryFileInItsPlace)
{
    for (const Expected &e : kInstalled) {
        const fs::path path = Usr() / e.path;
        EXPECT_TRUE(fs::is_regular_file(path) && fs::file_size(path) > 0)
            << e.what << ": " << e.path << " is missing or empty";
    }
    EXPECT_EQ(Sh("test -x " + Quoted(Program())).status, 0) << "the program is not executable";
}

// The data folder: every file the build made (the graphics map, the interface description,
// the blank canvas, the pictures, the stickers, the help books), but for what the program
// holds itself (resources/) and the desktop's icons (icons/).
TEST_F(InstalledTree, TheDataFolderHasEveryFileOfTheBuild)
{
    const fs::path built = MW_BUILT_DATA_DIR;
    int count = 0;
    for (auto it = fs::recursive_directory_iterator(built); it != fs::end(it); ++it) {
        const fs::path relative = fs::relative(it->path(), built);
        if (relative == "resources" || relative == "icons")
            it.disable_recursion_pending();
        if (!it->is_regular_file())
            continue;
        const fs::path installed = Share() / "merrowick" / relative;
        ASSERT_TRUE(fs::is_regular_file(installed)) << installed;
        EXPECT_EQ(fs::file_size(installed), it->file_size()) << installed;
        count++;
    }
    EXPECT_GT(count, 100);
}

// ---- The desktop's own checks -------------------------------------------------------------

struct Validation {
    const char *tool;
    const char *arguments;
    const char *file; // under <prefix>/share
};
const Validation kValidations[] = {
    {"desktop-file-validate", "", "applications/example.merrowick.Merrowick.desktop"},
    {"appstreamcli", "validate --no-net", "metainfo/example.merrowick.Merrowick.metainfo.xml"},
    {"xmllint", "--noout", "mime/packages/example.merrowick.Merrowick.xml"},
};

TEST_F(InstalledTree, DesktopEntryMetainfoAndFileTypePassTheirValidators)
{
    int ran = 0;
    for (const Validation &v : kValidations) {
        if (!HaveTool(v.tool))
            continue;
        const Result r =
            Sh(std::string(v.tool) + " " + v.arguments + " " + Quoted(Share() / v.file));
        EXPECT_EQ(r.status, 0) << v.tool << " " << v.file << ":\n" << r.output;
        EXPECT_EQ(r.output.find("error"), std::string::npos) << v.tool << ":\n" << r.output;
        ran++;
    }
    if (!ran)
        GTEST_SKIP() << "no validator installed (scripts/install-deps installs them)";
}

// The desktop entry offers the program for every kind of file it opens; the copyright
// file names every art set's licence that ATTRIBUTION.md lists.
TEST_F(InstalledTree, TheEntryOpensEveryTypeAndTheCopyrightNamesEveryLicence)
{
    const std::string entry =
        ReadText(Share() / "applications/example.merrowick.Merrowick.desktop");
    for (const char *type :
         {"application/x-merrowick;", "image/jpeg;", "image/png;", "image/webp;", "image/bmp;"})
        EXPECT_NE(entry.find(type), std::string::npos) << type;
    const std::string copyright = ReadText(Share() / "doc/merrowick/copyright");
    EXPECT_EQ(copyright.rfind(
                  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/", 0),
              0u);
    for (const char *licence : {"License: Expat", "License: Apache-2.0", "License: CC-BY-4.0",
                                "License: public-domain", "clipart/policehat.clp"})
        EXPECT_NE(copyright.find(licence), std::string::npos) << licence;
}

// ---- The manual page ----------------------------------------------------------------------

TEST_F(InstalledTree, TheManPageFormatsCleanlyAndDocumentsEveryOptionTheProgramHas)
{
    const fs::path page = Share() / "man/man1/merrowick.1.gz";
    const Result text = Sh("gzip -dc " + Quoted(page));
    ASSERT_EQ(text.status, 0) << text.output;
    const std::string plain = std::regex_replace(text.output, std::regex("\\\\-"), "-");
    // Every long option of the program's own usage text, and the language switches.
    const Result usage = Sh(Quoted(Program()) + " --help");
    ASSERT_EQ(usage.status, 0) << usage.output;
    std::set<std::string> options = {"/EN", "/SE"};
    const std::regex option("--[a-z]+");
    for (auto it = std::sregex_iterator(usage.output.begin(), usage.output.end(), option);
         it != std::sregex_iterator(); ++it)
        options.insert(it->str());
    EXPECT_GE(options.size(), 6u);
    for (const std::string &o : options)
        EXPECT_NE(plain.find(o), std::string::npos) << o << " is not in the man page";
    if (HaveTool("groff")) {
        const Result lint = Sh("gzip -dc " + Quoted(page) + " | groff -man -ww -z");
        EXPECT_EQ(lint.status, 0);
        EXPECT_EQ(lint.output, "") << "groff warnings";
    }
}

// ---- The installed program ----------------------------------------------------------------

// Starts the program of a tree with its window on the offscreen platform, private
// settings and no data folder named in the environment, until it has written its main
// folder into the settings; returns that setting.
std::string MainFolderChosenBy(const fs::path &program)
{
    TempDir config;
    const std::string ini = config / "MerrowickDemo.ini";
    const std::string line = "env -u MW_DATA_DIR XDG_CONFIG_HOME=" + Quoted(config.Path()) +
                             " QT_QPA_PLATFORM=offscreen " + Quoted(program) + " & pid=$!; " +
                             "for i in $(seq 1 150); do grep -q DirectoryMain " + Quoted(ini) +
                             " 2>/dev/null && break; sleep 0.2; done; kill $pid; wait $pid; exit 0";
    Sh(line);
    std::smatch m;
    const std::string text = ReadText(ini);
    return std::regex_search(text, m, std::regex("DirectoryMain=([^\r\n]*)")) ? std::string(m[1])
                                                                              : std::string();
}

TEST_F(InstalledTree, TheProgramFindsItsDataBesideItWhereverTheTreeIs)
{
    EXPECT_EQ(MainFolderChosenBy(Program()), (Share() / "merrowick").string() + "/");
    // The same tree under another prefix (linked, not copied, to stay quick).
    TempDir moved;
    const fs::path prefix = moved / "opt/merrowick";
    fs::create_directories(prefix.parent_path());
    const Result copy = Sh("cp -al " + Quoted(Usr()) + " " + Quoted(prefix));
    ASSERT_EQ(copy.status, 0) << copy.output;
    EXPECT_EQ(MainFolderChosenBy(prefix / "bin/merrowick"),
              (prefix / "share/merrowick").string() + "/");
    const Result r = Sh(Quoted(prefix / "bin/merrowick") + " --export " +
                        Quoted(prefix / "share/merrowick/blank.jpg") + " " +
                        Quoted(moved / "moved.jpg") + " --size 40x50");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(ReadText(moved / "moved.jpg").substr(0, 3), "\xFF\xD8\xFF") << "a JPEG";
}

} // namespace
