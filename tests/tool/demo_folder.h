// demo_folder.h: a scratch folder holding the demo archive and palette, where the command tests
// run the tool as a user does (no display) and read back the pictures it writes.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "body/body_builder.h"
#include "demo/demo_data.h"
#include "image/png_file.h"
#include "tests/support/run_command.h"
#include "tests/support/scratch_dir.h"

class DemoFolder : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(writeDemoFiles(folder.path()).reason, std::string()); }

    // Runs the tool in the folder with `arguments`; `out` holds both streams together, as the
    // user sees them.
    CommandRun tool(const std::string& arguments)
    {
        CommandRun run =
            runCommand("cd '" + folder.path() + "' && env -u DISPLAY '" + ORVANE_TOOL_PATH + "' " + arguments);
        run.out += run.err;
        return run;
    }

    RgbImage picture(const std::string& name)
    {
        RgbImage image;
        const Fault fault = loadPng(folder.file(name), &image);
        EXPECT_FALSE(fault) << fault.reason;
        return image;
    }

    TempDir folder;
};

// A body whose frame would stop the viewer: bone 1 has the unsupported type.
inline Bytes fatalBody()
{
    BodyBuilder b;
    b.addPoint(0, 0, 0);
    b.addPoint(100, 0, 0);
    b.addBone(0, 1, 0, -1);
    b.addBone(1, 1, 0, 0, 0, 0, boneTypeUnsupported);
    b.addLine(9, 0, 1);
    return b.build();
}
