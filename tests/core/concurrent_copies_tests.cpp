// Two copies of the launcher running at once on the same home: each saves
// its settings and logs, over and over. Neither may corrupt the other's
// configuration or records.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/concurrent_copy.h"
#include "support/core_support.h"

using namespace testsupport;

namespace {

using concurrentcopy::Plans;

class ConcurrentCopiesTest : public ClockFixture {
protected:
    static std::string ConfigOf(const concurrentcopy::Plan& plan) {
        ConfigValues values;
        values.programPath = plan.programPath;
        values.launchTime = plan.launchTime;
        values.interval = plan.interval;
        values.days = plan.days;
        values.windowsProgram = plan.windowsProgram;
        return ConfigFileText(values);
    }

    static std::string InfoRecord(const std::string& message) {
        return "Info " + StartStamp + message + "\r\n\r\n";
    }

    // Every record the two copies write, with how often it is written.
    std::map<std::string, int> ExpectedRecords() const {
        std::map<std::string, int> records;
        for (const auto& plan : Plans) {
            ++records[InfoRecord("Orvix Launcher Program Execution")];
            ++records[InfoRecord("Program Directory: " + platform::CurrentDirectory().value_or("?"))];
            ++records[InfoRecord("User Home Directory: " + home.Path())];
            for (int index = 0; index < concurrentcopy::Records; ++index)
                ++records[InfoRecord(concurrentcopy::RecordText(plan, index))];
        }
        return records;
    }
};

int Occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

TEST_F(ConcurrentCopiesTest, NeitherCorruptsTheConfigurationNorARecord) {
    const std::string copy = HelperProgramPath("concurrent_copy");
    TempDir meeting;
    ASSERT_TRUE(RunTogether({{copy, Plans[0].name, meeting.Path()}, {copy, Plans[1].name, meeting.Path()}}));

    // The configuration is the whole of what one copy saved last.
    const std::string config = ReadFileBytes(ConfigPath());
    EXPECT_TRUE(config == ConfigOf(Plans[0]) || config == ConfigOf(Plans[1])) << config;
    for (const auto& entry : std::filesystem::directory_iterator(home.Path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "orvix_launcher.cfg" || name == "orvix_launcher_log.txt")
            << "left behind: " << name;
    }

    // Records of the two copies interleave, but the log is made of whole
    // records only: every one of them, and nothing else (no failed save).
    const std::string log = LogText();
    std::size_t expectedSize = 0;
    int damaged = 0;
    std::string firstDamaged;
    for (const auto& [record, count] : ExpectedRecords()) {
        expectedSize += record.size() * static_cast<std::size_t>(count);
        if (Occurrences(log, record) == count) continue;
        if (damaged++ == 0) firstDamaged = record;
    }
    EXPECT_EQ(0, damaged) << "records missing or repeated, the first: " << firstDamaged;
    EXPECT_EQ(expectedSize, log.size());
    EXPECT_EQ(std::string::npos, log.find("Fail ")) << log.substr(log.find("Fail "), 300);
}

}  // namespace
