// Orvalen's options: the card choice from the option or the environment, the frontend order,
// and what is refused.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace {

using orvalen::CardChoice;

orvalen::CommandLine Parse(std::vector<const char*> arguments, const char* variable = nullptr) {
    arguments.insert(arguments.begin(), "orvalen");
    return orvalen::ParseCommandLine(static_cast<int>(arguments.size()), arguments.data(),
                                     variable);
}

TEST(CommandLine, TheOptionWinsOverTheEnvironmentAndAutoIsTheDefault) {
    EXPECT_EQ(Parse({}).card, CardChoice::Auto);
    EXPECT_EQ(Parse({}, "sim").card, CardChoice::Simulated);
    EXPECT_EQ(Parse({"--card=dvb"}, "sim").card, CardChoice::Dvb);
    EXPECT_EQ(Parse({"--card", "sim"}).card, CardChoice::Simulated);
    const auto ordered = Parse({"--dvb-frontends=adapter1/frontend0,adapter0/frontend0"});
    EXPECT_TRUE(ordered.error.empty());
    EXPECT_EQ(ordered.frontendOrder.size(), 2u);
    // Qt's own options pass.
    EXPECT_TRUE(Parse({"-platform", "offscreen", "--version"}).version);
}

TEST(CommandLine, UnknownOptionsAndValuesAreRefusedWithAMessage) {
    for (const auto& line : {Parse({"--bogus"}), Parse({"--card=hw"}), Parse({}, "real"),
                             Parse({"--dvb-frontends=frontend0"}), Parse({"--card"})})
        EXPECT_FALSE(line.error.empty());
}

}  // namespace
