// The installed tree, staged for /usr under DESTDIR (by the install_stage test, or by this
// program when run by hand): every file in its place, and the installed program finding its
// data beside it, also once moved.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <regex>

#include "support/temp_dir.h"

namespace
{

struct Result {
    int status = -1;
    std::string output; // standard output and error together
};

Result Sh(const std::string &command)
{
    Result r;
    FILE *pipe = popen((command + " 2>&1").c_str(), "r");
    char buffer[4096];
    for (size_t n; pipe && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        r.output.append(buffer, n);
    const int status = pipe ? pclose(pipe) : -1;
    r.status = pipe && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string Quoted(const fs::path &path)
{
    return "'" + path.string() + "'";
}

const fs::path kUsr = fs::path(MW_STAGE_DIR) / "usr", kShare = kUsr / "share";

class InstalledTree : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        if (!fs::is_regular_file(kUsr / "bin/merrowick")) {
            const Result r =
                Sh("'" MW_CMAKE "' -DBUILD='" MW_BUILD_DIR "' -DSTAGE=" + Quoted(MW_STAGE_DIR) +
                   " -P '" MW_STAGE_SCRIPT "'");
            ASSERT_EQ(r.status, 0) << r.output;
        }
    }
};

// The data folder holds every file the build made but for what the program holds itself and
// the icons.
TEST_F(InstalledTree, HoldsEveryFileInItsPlace)
{
    const fs::path built = MW_BUILT_DATA_DIR;
    int count = 0;
    for (auto it = fs::recursive_directory_iterator(built); it != fs::end(it); ++it) {
        const fs::path relative = fs::relative(it->path(), built);
        if (relative == "resources" || relative == "icons")
            it.disable_recursion_pending();
        if (!it->is_regular_file())
            continue;
        const fs::path installed = kShare / "merrowick" / relative;
        ASSERT_TRUE(fs::is_regular_file(installed)) << installed;
        EXPECT_EQ(fs::file_size(installed), it->file_size()) << installed;
        count++;
    }
    EXPECT_GT(count, 100);
}

// The main folder a tree's program writes into fresh settings when started without a data
// folder named in the environment.
std::string MainFolderChosenBy(const fs::path &program)
{
    TempDir config;
    const std::string ini = config / "MerrowickDemo.ini";
    Sh("env -u MW_DATA_DIR XDG_CONFIG_HOME=" + Quoted(config.Path()) +
       " QT_QPA_PLATFORM=offscreen " + Quoted(program) + " & pid=$!; for i in $(seq 1 150); do " +
       "grep -q DirectoryMain " + Quoted(ini) + " 2>/dev/null && break; sleep 0.2; done; " +
       "kill $pid; wait $pid; exit 0");
    std::smatch m;
    const std::string text = ReadText(ini);
    return std::regex_search(text, m, std::regex("DirectoryMain=([^\r\n]*)")) ? std::string(m[1])
                                                                              : std::string();
}

TEST_F(InstalledTree, TheProgramFindsItsDataBesideItWhereverTheTreeIs)
{
    EXPECT_EQ(MainFolderChosenBy(kUsr / "bin/merrowick"), (kShare / "merrowick").string() + "/");
    TempDir moved; // the same tree under another prefix, linked to stay quick
    const fs::path prefix = moved / "opt/merrowick";
    fs::create_directories(prefix.parent_path());
    const Result copy = Sh("cp -al " + Quoted(kUsr) + " " + Quoted(prefix));
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
