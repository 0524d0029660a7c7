// file_faults.h — runs a save or a load once cleanly, counting its file calls, then again
// with each of those calls failing in turn and with the disk filling up part way, and
// checks what every failure must leave behind.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/trail.h"
#include "support/temp_dir.h"

// One fault: call n of kind op fails, or (op < 0) the disk takes only diskBytes.
struct FileFault {
    int op;
    int64_t n;
    int64_t diskBytes;
};

inline std::string Describe(const FileFault &f)
{
    return f.op < 0 ? "a full disk after " + std::to_string(f.diskBytes) + " bytes"
                    : std::string(PLAT_FileOpName(f.op)) + " " + std::to_string(f.n) + " fails";
}

// Every call of every kind a clean run made, failing in turn, and a disk full after 0, 1,
// half and all but one of the bytes it wrote.
inline std::vector<FileFault> EveryFileFault(const FILEOPS &clean)
{
    std::vector<FileFault> out;
    for (int op = 0; op < FILEOP_KINDS; op++)
        for (int64_t n = 1; n <= clean.iCount[op]; n++)
            out.push_back({op, n, -1});
    const int64_t w = clean.iBytesWritten;
    for (int64_t bytes : {int64_t{0}, int64_t{1}, w / 2, w - 1})
        if (bytes >= 0 && bytes < w &&
            std::none_of(out.begin(), out.end(),
                         [&](const FileFault &f) { return f.op < 0 && f.diskBytes == bytes; }))
            out.push_back({-1, 0, bytes});
    return out;
}

// Starts the counts afresh and arms the fault.
inline void ArmFileFault(const FileFault &f)
{
    PLAT_FileFaultsReset();
    if (f.op >= 0)
        PLAT_FileFailAt(f.op, f.n, f.op == FILEOP_OPEN ? EACCES : EIO);
    else
        PLAT_FileDiskFull(f.diskBytes);
}

// A bit for each kind of call in FaultCase::mustFail.
constexpr unsigned FaultBit(int op)
{
    return 1u << op;
}
constexpr unsigned kEveryFileCall = (1u << FILEOP_KINDS) - 1;

inline std::vector<std::string> FolderNames(const std::string &folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto &e : std::filesystem::directory_iterator(folder, error))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A save or a load under test.
struct FaultCase {
    std::string name;
    // Saves: the file replaced, and what it holds before each run.
    std::string target;
    std::string earlier;
    // Before each run (a load's current picture); may be empty.
    std::function<void()> setUp;
    // The operation: 1 on success, 0 with its message in the trail.
    std::function<int()> run;
    // The program state a failed run must leave as it was and a successful one must
    // make as the clean run did (a picture's fingerprint, a value read).
    std::function<std::string()> state;
    // Kinds of call whose failure must fail the run; any other fault may also end in
    // success, but then with the clean run's result.
    unsigned mustFail;
    // Saves: a failed write, sync, rename or close, or a full disk, is said with the
    // target's name and the system's reason.
    bool namesFileAndReason = false;
};

// A save failing at every step: it says so, the earlier file is byte for byte as it was,
// no temporary file stays beside it, the state is unchanged, and the next save without
// faults succeeds. A save that succeeds wrote what the clean one wrote.
inline void CheckSaveUnderFaults(const FaultCase &c)
{
    const std::string folder = std::filesystem::path(c.target).parent_path().string();
    auto prepare = [&] {
        std::ofstream(c.target, std::ios::binary) << c.earlier;
        if (c.setUp)
            c.setUp();
        TrailClear();
    };
    prepare();
    PLAT_FileFaultsReset();
    ASSERT_TRUE(c.run()) << c.name << ": " << gErrorTrail;
    const FILEOPS clean = PLAT_FileOps();
    const std::string saved = ReadText(c.target);
    ASSERT_NE(saved, c.earlier) << c.name;
    for (const FileFault &f : EveryFileFault(clean)) {
        SCOPED_TRACE(c.name + ", " + Describe(f));
        prepare();
        const std::vector<std::string> names = FolderNames(folder);
        const std::string state = c.state();
        ArmFileFault(f);
        const int ok = c.run();
        PLAT_FileFaultsReset();
        if (ok) {
            EXPECT_FALSE(f.op < 0 || (c.mustFail & FaultBit(f.op))) << "reported success";
            EXPECT_EQ(ReadText(c.target), saved);
        } else {
            EXPECT_EQ(ReadText(c.target), c.earlier);
            EXPECT_NE(gErrorTrail[0], '\0') << "no message";
            EXPECT_EQ(c.state(), state);
            if (c.namesFileAndReason && f.op != FILEOP_OPEN && f.op != FILEOP_READ) {
                const std::string trail = gErrorTrail;
                EXPECT_NE(trail.find(c.target), std::string::npos) << trail;
                EXPECT_NE(trail.find(std::strerror(f.op < 0 ? ENOSPC : EIO)), std::string::npos)
                    << trail;
            }
        }
        EXPECT_EQ(FolderNames(folder), names);
        TrailClear();
        EXPECT_TRUE(c.run()) << "the next save: " << gErrorTrail;
        EXPECT_EQ(ReadText(c.target), saved);
    }
}

// A load failing at every step: it says so and leaves the state as it was; a load that
// succeeds gives what the clean one gave.
inline void CheckLoadUnderFaults(const FaultCase &c)
{
    if (c.setUp)
        c.setUp();
    TrailClear();
    PLAT_FileFaultsReset();
    ASSERT_TRUE(c.run()) << c.name << ": " << gErrorTrail;
    const FILEOPS clean = PLAT_FileOps();
    for (int op = 0; op < FILEOP_KINDS; op++) // the load goes through the file layer
        EXPECT_TRUE(!(c.mustFail & FaultBit(op)) || clean.iCount[op] > 0)
            << c.name << " makes no " << PLAT_FileOpName(op) << " call of the file layer";
    const std::string loaded = c.state();
    for (const FileFault &f : EveryFileFault(clean)) {
        SCOPED_TRACE(c.name + ", " + Describe(f));
        if (c.setUp)
            c.setUp();
        TrailClear();
        const std::string state = c.state();
        ArmFileFault(f);
        const int ok = c.run();
        PLAT_FileFaultsReset();
        if (ok) {
            EXPECT_FALSE(c.mustFail & FaultBit(f.op)) << "reported success";
            EXPECT_EQ(c.state(), loaded);
        } else {
            EXPECT_NE(gErrorTrail[0], '\0') << "no message";
            EXPECT_EQ(c.state(), state);
        }
        TrailClear();
    }
}
