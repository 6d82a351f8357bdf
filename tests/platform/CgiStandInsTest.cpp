// The operating-system stand-ins of the CGI layer: window titles held by
// marker files, exclusive opening, case-insensitive path resolution, file
// times, timers and the component owner rules.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Component.h"
#include "platform/Environment.h"
#include "platform/FileLocking.h"
#include "platform/FileTimes.h"
#include "platform/Folders.h"
#include "platform/Timer.h"
#include "platform/WindowTitle.h"
#include "tests/support/TestFiles.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class StandIns : public ::testing::Test {
protected:
    StandIns() { platform::SetEnvironmentValue("TARVO_WINDOW_DIR", folder_ / "windows"); }
    ~StandIns() override { platform::UnsetEnvironmentValue("TARVO_WINDOW_DIR"); }
    std::string Make(const std::string& name, const std::string& content = "x") {
        const std::string path = folder_ / name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    tarvo_test::TempFolder folder_;
};

TEST_F(StandIns, AWindowTitleExistsWhileItsHolderLivesWhateverTheCase) {
    EXPECT_FALSE(platform::TopLevelWindowExists("Corvid 3"));
    {
        platform::TitledWindow window("Corvid 3");
        ASSERT_TRUE(window.IsShown());
        EXPECT_TRUE(platform::TopLevelWindowExists("Corvid 3"));
        EXPECT_TRUE(platform::TopLevelWindowExists("CORVID 3"));
        EXPECT_FALSE(platform::TopLevelWindowExists("Corvid 2.0"));
        platform::TitledWindow moved = std::move(window);
        EXPECT_TRUE(platform::TopLevelWindowExists("Corvid 3"));
    }
    EXPECT_FALSE(platform::TopLevelWindowExists("Corvid 3"));
}

TEST_F(StandIns, ALeftOverMarkerWithoutHolderIsNoWindow) {
    fs::create_directories(folder_ / "windows");
    // The marker of "A" as a crashed holder would have left it: present, unlocked.
    std::ofstream(folder_ / "windows/w-41") << "12345\n";
    EXPECT_FALSE(platform::TopLevelWindowExists("a"));
    EXPECT_TRUE(platform::TopLevelWindowOwnerEnded("a"));
    {
        platform::TitledWindow window("A");
        EXPECT_TRUE(platform::TopLevelWindowExists("a"));
        EXPECT_FALSE(platform::TopLevelWindowOwnerEnded("a"));
    }
    // Taken away by its holder: no marker, so nothing is known of an owner.
    EXPECT_FALSE(platform::TopLevelWindowOwnerEnded("a"));
}

TEST_F(StandIns, TheApplicationWindowKeepsOneTitleAtATime) {
    platform::SetApplicationWindowTitle("first_S");
    EXPECT_TRUE(platform::TopLevelWindowExists("first_S"));
    platform::SetApplicationWindowTitle("first_S");  // setting the same title again keeps it
    EXPECT_TRUE(platform::TopLevelWindowExists("first_S"));
    platform::SetApplicationWindowTitle("second_S");
    EXPECT_FALSE(platform::TopLevelWindowExists("first_S"));
    EXPECT_TRUE(platform::TopLevelWindowExists("second_S"));
    platform::SetApplicationWindowTitle("");
    EXPECT_FALSE(platform::TopLevelWindowExists("second_S"));
}

TEST_F(StandIns, AnExclusiveOpenRefusesASecondOpenUntilClosed) {
    const std::string path = Make("server");
    platform::FileHandle first = platform::OpenExclusive(path, platform::FileHandle::Mode::ReadWrite);
    ASSERT_TRUE(first.IsOpen());
    EXPECT_FALSE(platform::OpenExclusive(path, platform::FileHandle::Mode::ReadWrite).IsOpen());
    first.Close();
    EXPECT_TRUE(platform::OpenExclusive(path, platform::FileHandle::Mode::ReadWrite).IsOpen());
    EXPECT_FALSE(platform::OpenExclusive(folder_ / "missing", platform::FileHandle::Mode::ReadWrite).IsOpen());
}

TEST_F(StandIns, UpperCasedPathsFindTheirFiles) {
    fs::create_directories(folder_ / "Temp");
    const std::string real = Make("Temp/tarvocgi_C_0A1F_REQ");
    std::string upper = real;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(platform::ResolvePathIgnoringCase(upper), real);
    EXPECT_EQ(platform::ResolvePathIgnoringCase(real), real);
    EXPECT_EQ(platform::ResolvePathIgnoringCase("/NO/SUCH/PATH"), "/NO/SUCH/PATH");
}

TEST_F(StandIns, ModificationTimesCanBeReadSetAndRenewed) {
    const std::string path = Make("aged");
    const auto past = platform::FileClock::now() - 60s;
    ASSERT_TRUE(platform::SetFileModificationTime(path, past));
    const auto read = platform::FileModificationTime(path);
    ASSERT_TRUE(read.has_value());
    EXPECT_LT(*read, platform::FileClock::now() - 59s);
    ASSERT_TRUE(platform::TouchFile(path));
    EXPECT_GT(*platform::FileModificationTime(path), platform::FileClock::now() - 30s);
    EXPECT_FALSE(platform::FileModificationTime(folder_ / "missing").has_value());
    EXPECT_EQ(platform::FileSizeOf(path), 1);
}

TEST(TimerLoop, ServesTimersUntilNoneIsEnabled) {
    platform::TComponent owner(nullptr);
    auto& timer = owner.CreateOwned<platform::TTimer>();
    int fired = 0;
    timer.SetInterval(1);
    timer.OnTimer = [&] {
        if (++fired == 3) timer.SetEnabled(false);
    };
    timer.SetEnabled(true);
    platform::RunEventLoop();
    EXPECT_EQ(fired, 3);
}

TEST(ComponentOwner, FreesWhatItOwnsLastFirstAndNotifiesOnlyTheLoadedOnes) {
    std::vector<std::string> events;
    struct Probe : platform::TComponent {
        Probe(platform::TComponent* owner, std::string name, std::vector<std::string>& log)
            : platform::TComponent(owner), name_(std::move(name)), log_(log) {}
        ~Probe() override { log_.push_back("free " + name_); }
        void Loaded() override {
            log_.push_back("loaded " + name_);
            if (name_ == "a") Owner()->CreateOwned<Probe>("late", log_);
        }
        std::string name_;
        std::vector<std::string>& log_;
    };
    {
        platform::TForm form(nullptr);
        form.CreateOwned<Probe>("a", events);
        form.CreateOwned<Probe>("b", events);
        form.NotifyOwnedLoaded();
        EXPECT_EQ(form.ComponentCount(), 3u);
    }
    EXPECT_EQ(events, (std::vector<std::string>{"loaded a", "loaded b", "free late", "free b", "free a"}));
}

}  // namespace
