#include "app/CommandLine.h"

#include <gtest/gtest.h>

using namespace tarvik;

TEST(CommandLine, DeviceChoices) {
    struct Case {
        const char* text;
        bool valid;
        DeviceChoice::Kind kind;
        std::uint16_t vendor, product;
        const char* socket;
    };
    const Case cases[] = {
        {"hid", true, DeviceChoice::Kind::Hid, 0, 0, ""},
        {"hid:16c0:05DF", true, DeviceChoice::Kind::Hid, 0x16c0, 0x05df, ""},
        {"socket:/tmp/a b.sock", true, DeviceChoice::Kind::Socket, 0, 0, "/tmp/a b.sock"},
        {"demo", true, DeviceChoice::Kind::Demo, 0, 0, ""},
        {"hid:16c0", false, {}, 0, 0, ""},
        {"hid:16c0:5df", false, {}, 0, 0, ""},
        {"socket:", false, {}, 0, 0, ""},
        {"usb", false, {}, 0, 0, ""},
    };
    for (const Case& c : cases) {
        const auto choice = parseDeviceChoice(QString::fromLatin1(c.text));
        ASSERT_EQ(choice.has_value(), c.valid) << c.text;
        if (!choice) continue;
        EXPECT_EQ(choice->kind, c.kind) << c.text;
        EXPECT_EQ(choice->vendorId, c.vendor) << c.text;
        EXPECT_EQ(choice->productId, c.product) << c.text;
        EXPECT_EQ(choice->socketPath, QString::fromLatin1(c.socket)) << c.text;
    }
}

TEST(CommandLine, SettingsFileDeviceAndEnvironment) {
    auto opts = parseCommandLine({"tarvik", "bench.set"}, QStringLiteral("socket:/tmp/s"));
    EXPECT_FALSE(opts.exitNow);
    EXPECT_EQ(opts.settingsFile, QStringLiteral("bench.set"));
    EXPECT_EQ(opts.device.kind, DeviceChoice::Kind::Socket); // from the environment

    opts = parseCommandLine({"tarvik", "--device", "demo"}, QStringLiteral("socket:/tmp/s"));
    EXPECT_EQ(opts.device.kind, DeviceChoice::Kind::Demo); // the command line wins

    opts = parseCommandLine({"tarvik", "--device", "serial"}, {});
    EXPECT_TRUE(opts.exitNow);
    EXPECT_EQ(opts.exitCode, 2);
    EXPECT_TRUE(opts.output.contains(QStringLiteral("unknown device \"serial\"")));

    opts = parseCommandLine({"tarvik", "a.set", "b.set"}, {});
    EXPECT_EQ(opts.exitCode, 2);

    opts = parseCommandLine({"tarvik", "--help"}, {});
    EXPECT_TRUE(opts.exitNow);
    EXPECT_EQ(opts.exitCode, 0);
    EXPECT_TRUE(opts.output.contains(QStringLiteral("--device")));
}
