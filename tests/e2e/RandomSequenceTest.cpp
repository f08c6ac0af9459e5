// Random runs of what a person does in "PDF Form Filling", under Xvfb without a window manager and
// under openbox: the record form added, cancelled (by its button, Escape and its close box) and
// changed, Ctrl+H and the help box in it, the help box of the main window, a failed open or save
// and its box, a cancelled file dialog, names typed into the two entries (reached by access key or
// by a click, left by Tab, Shift+Tab or not at all), a look at an entry through the clipboard, and
// "Save To Form" by Alt+T or by a click. After each fill the master read (the folder's open events
// and the copy's "Text1") and the copy written are the ones whose names the entries show, as the
// test typed them. Keys go where the program and the window manager put the keyboard: nothing here
// gives a window the focus.
//
// QUORIN_E2E_SEED sets the seed of a run and QUORIN_E2E_STEPS its length; a failure prints the
// seed and the steps taken (QUORIN_E2E_TRACE prints them for a run that passed too), and with
// QUORIN_E2E_SHOTS naming a folder, a picture of the screen goes there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "e2e/ProgramFixture.h"

namespace quorin::e2e {
namespace {

namespace fs = std::filesystem;

const std::string kFolder = "C:\\Morvek20\\";
// Masters that open, each marked with its name.
const std::vector<std::string> kMasters = {"form1.pdf", "form2.pdf", "form3.pdf"};
const std::string kBroken = "broken.pdf"; // there, but no PDF
const std::string kAbsent = "absent.pdf";
const std::vector<std::string> kCopies = {"form1-filled.pdf", "copy2.pdf", "copy3.pdf"};
const std::string kUnwritable = "nofolder\\copy.pdf"; // its folder is not there

// Two runs of 36 steps, each with a program of its own: under a minute a test, also under ASan.
constexpr int kSteps = 36;
const std::vector<unsigned> kSeedsWithout = {1701, 1703};
const std::vector<unsigned> kSeedsOpenbox = {1702, 1704};

// Controls of the main window in dialog units (of 330 by 345).
struct Place {
    int x, y, width, height;
};
constexpr Place kMasterEntry{65, 292, 235, 10};
constexpr Place kSaveAsEntry{65, 310, 235, 10};
constexpr Place kMasterLookup{308, 291, 12, 12};
constexpr Place kSaveAsLookup{308, 309, 12, 12};
constexpr Place kToForm{175, 327, 60, 14};

std::optional<unsigned> FromEnvironment(const char* name)
{
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') {
        return std::nullopt;
    }
    return static_cast<unsigned>(std::strtoul(text, nullptr, 10));
}

class RandomSequenceTest : public WindowManagerTest {
protected:
    void SetUp() override
    {
        WindowManagerTest::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_NO_FATAL_FAILURE(PutMarkedMasters(kMasters));
        const fs::path folder = driveC_ / "Morvek20";
        std::ofstream(folder / kBroken) << "This is no PDF document.\n";
        watch_ = std::make_unique<FolderWatch>(folder);
    }

    std::vector<unsigned> Seeds() const
    {
        if (const auto seed = FromEnvironment("QUORIN_E2E_SEED")) {
            return {*seed};
        }
        return GetParam() ? kSeedsOpenbox : kSeedsWithout;
    }

    // ---- the run's record, printed with every failure ----

    std::string Trail()
    {
        std::ostringstream out;
        out << "\n(seed " << seed_ << (GetParam() ? ", under openbox" : ", no window manager")
            << "; QUORIN_E2E_SEED=" << seed_ << " repeats it)\nsteps:";
        for (std::size_t i = 0; i < trail_.size(); ++i) {
            out << "\n  " << i + 1 << ". " << trail_[i];
        }
        out << "\nthe entries show: \"" << master_ << "\" and \"" << saveAs_ << "\"";
        const auto picture = Shot("seed-" + std::to_string(seed_) + "-step-" + std::to_string(trail_.size()));
        if (picture) {
            out << "\nthe screen: " << picture->string();
        }
        return out.str();
    }
    void Step(std::string what) { trail_.push_back(std::move(what)); }
    void Note(const std::string& more) { trail_.back() += more; }

    // ---- chance ----

    bool Chance(double p) { return std::bernoulli_distribution(p)(rng_); }
    template <class T>
    const T& OneOf(const std::vector<T>& items)
    {
        return items[std::uniform_int_distribution<std::size_t>(0, items.size() - 1)(rng_)];
    }
    std::string PickMaster()
    {
        const double roll = std::uniform_real_distribution<double>(0, 1)(rng_);
        return kFolder + (roll < 0.7 ? OneOf(kMasters) : roll < 0.85 ? kBroken : kAbsent);
    }
    std::string PickSaveAs() { return kFolder + (Chance(0.85) ? OneOf(kCopies) : kUnwritable); }

    // ---- what a person does ----

    bool Keys(WindowId window, std::vector<std::string> keys) { return xdo_->Keys(window, keys); }
    // A single click, `across` the place's width. A click on the place clicked last moves at least
    // a third of its width from there, as two at one spot would join into a double click.
    bool ClickOn(WindowId window, const Place& place, double across = 0.5)
    {
        if (lastPlace_ == &place && std::abs(across - lastAcross_) < 1.0 / 3) {
            across = lastAcross_ < 0.5 ? std::min(0.9, lastAcross_ + 0.4) : std::max(0.1, lastAcross_ - 0.4);
        }
        lastPlace_ = &place;
        lastAcross_ = across;
        return xdo_->Click(window, (place.x + place.width * across) / 330.0, (place.y + place.height / 2.0) / 345.0);
    }
    void Answer(const std::string& title, const std::vector<std::string>& keys, WindowId back)
    {
        ASSERT_NO_FATAL_FAILURE(WindowManagerTest::Answer(title, keys, back)) << Trail();
    }
    WindowId Await(const std::string& title)
    {
        const WindowId window = WindowManagerTest::Await(title);
        EXPECT_TRUE(window) << Trail();
        return window;
    }
    // The record form gone, and the keyboard back in the main window.
    void Closed(WindowId form)
    {
        ASSERT_NO_FATAL_FAILURE(WindowManagerTest::Closed(form, main_, "the record form")) << Trail();
    }

    void TypeName(bool master)
    {
        std::string& shown = master ? master_ : saveAs_;
        const std::string target = master ? PickMaster() : PickSaveAs();
        const bool click = Chance(0.4);
        Step(std::string("\"") + target + "\" into " + (master ? "PDF Form Name" : "PDF Save As") +
             (click ? ", clicked" : ", by access key"));
        if (click) {
            ASSERT_TRUE(ClickOn(main_, master ? kMasterEntry : kSaveAsEntry,
                                std::uniform_real_distribution<double>(0.1, 0.9)(rng_)));
        } else {
            ASSERT_TRUE(Keys(main_, {master ? "alt+f" : "alt+a"}));
        }
        // The whole name anew, or its end rubbed out and typed again.
        std::size_t keep = 0;
        if (Chance(0.5)) {
            while (keep < shown.size() && keep < target.size() && shown[keep] == target[keep]) {
                ++keep;
            }
        }
        if (keep > 0) {
            std::vector<std::string> rub{"End"};
            rub.insert(rub.end(), shown.size() - keep, "BackSpace");
            ASSERT_TRUE(Keys(main_, rub));
            Note(", " + std::to_string(shown.size() - keep) + " rubbed out");
        } else {
            ASSERT_TRUE(Keys(main_, {"ctrl+a"}));
        }
        if (keep < target.size()) {
            ASSERT_TRUE(xdo_->Type(main_, target.substr(keep)));
        }
        shown = target;
        const double leave = std::uniform_real_distribution<double>(0, 1)(rng_);
        if (leave < 0.35) {
            Note(", Tab");
            ASSERT_TRUE(Keys(main_, {"Tab"}));
        } else if (leave < 0.6) {
            Note(", Shift+Tab");
            ASSERT_TRUE(Keys(main_, {"shift+Tab"}));
        } else {
            Note(", not left");
        }
    }

    // The entry's text as the clipboard gets it from Ctrl+A and Ctrl+C.
    void Look(bool master)
    {
        const std::string& shown = master ? master_ : saveAs_;
        if (shown.empty()) {
            return; // nothing to copy
        }
        Step(std::string("look at ") + (master ? "PDF Form Name" : "PDF Save As") + " (access key, Ctrl+A, Ctrl+C)");
        const auto text = CopiedText(x_->display(), [&] {
            return Keys(main_, {master ? "alt+f" : "alt+a", "ctrl+a", "ctrl+c"});
        });
        ASSERT_TRUE(text) << "nothing was copied from the entry" << Trail();
        ASSERT_EQ(*text, shown) << "the entry does not show what was typed into it" << Trail();
    }

    void AddRecord()
    {
        const std::string email = "added" + std::to_string(++added_) + "@example.org";
        Step("Alt+I, " + email);
        ASSERT_TRUE(Keys(main_, {"alt+i"}));
        const WindowId form = Await("Record Will Be Added");
        ASSERT_TRUE(form);
        ASSERT_TRUE(Keys(form, {"Tab", "Tab"}));
        if (added_ > 1 && Chance(0.5)) {
            Note(", Ctrl+H first");
            ASSERT_TRUE(Keys(form, {"ctrl+h"}));
        }
        ASSERT_TRUE(Keys(form, {"ctrl+a"}));
        ASSERT_TRUE(xdo_->Type(form, email));
        // Return presses OK while the focus is in an entry; Alt+H leaves it on "&Help", Alt+1 on the tabs.
        bool inEntry = true;
        if (Chance(0.4)) {
            const bool button = Chance(0.5);
            Note(button ? ", help box by Alt+H" : ", help box by F1");
            ASSERT_TRUE(Keys(form, {button ? "alt+h" : "F1"}));
            ASSERT_NO_FATAL_FAILURE(Answer("Help", {Chance(0.5) ? "Return" : "Escape"}, form));
            inEntry = !button;
        }
        if (Chance(0.4)) {
            Note(", Alt+2 and Alt+1");
            ASSERT_TRUE(Keys(form, {"alt+2", "alt+1"}));
            inEntry = false;
        }
        const bool byKey = !inEntry || Chance(0.5);
        Note(byKey ? ", Alt+O" : ", Return");
        ASSERT_TRUE(Keys(form, {byKey ? "alt+o" : "Return"}));
        ASSERT_NO_FATAL_FAILURE(Closed(form));
        ++records_;
    }

    void CancelRecord()
    {
        const int way = std::uniform_int_distribution<int>(0, 2)(rng_);
        const char* ways[] = {"Alt+C", "Escape", "its close box"};
        Step(std::string("Alt+I, an e-mail typed, cancelled by ") + ways[way] + ", Yes");
        ASSERT_TRUE(Keys(main_, {"alt+i"}));
        const WindowId form = Await("Record Will Be Added");
        ASSERT_TRUE(form);
        ASSERT_TRUE(Keys(form, {"Tab", "Tab"}));
        ASSERT_TRUE(xdo_->Type(form, "dropped@example.org"));
        if (way == 2) {
            ASSERT_TRUE(PressCloseBox(x_->display(), form));
        } else {
            ASSERT_TRUE(Keys(form, {way == 0 ? "alt+c" : "Escape"}));
        }
        ASSERT_NO_FATAL_FAILURE(Answer("Changes will be lost!", {"alt+y"}, {}));
        ASSERT_NO_FATAL_FAILURE(Closed(form));
    }

    void ChangeRecord()
    {
        if (records_ == 0) {
            return AddRecord();
        }
        const std::string email = "changed" + std::to_string(++changed_) + "@example.org";
        Step("Alt+C, " + email + ", Return");
        ASSERT_TRUE(Keys(main_, {"alt+c"}));
        const WindowId form = Await("Record Will Be Changed");
        ASSERT_TRUE(form);
        ASSERT_TRUE(Keys(form, {"Tab", "Tab", "ctrl+a"}));
        ASSERT_TRUE(xdo_->Type(form, email));
        ASSERT_TRUE(Keys(form, {"Return"}));
        ASSERT_NO_FATAL_FAILURE(Closed(form));
    }

    void Help()
    {
        const bool escape = Chance(0.5);
        Step(std::string("F1, the help box closed by ") + (escape ? "Escape" : "Return"));
        ASSERT_TRUE(Keys(main_, {"F1"}));
        ASSERT_NO_FATAL_FAILURE(Answer("Help", {escape ? "Escape" : "Return"}, main_));
    }

    void CancelFileDialog()
    {
        const bool master = Chance(0.5);
        Step(std::string("\"...\" of ") + (master ? "PDF Form Name" : "PDF Save As") + ", Escape");
        ASSERT_TRUE(ClickOn(main_, master ? kMasterLookup : kSaveAsLookup));
        ASSERT_NO_FATAL_FAILURE(
            Answer(master ? "Select PDF Form to extract..." : "Select Save As PDF File Name", {"Escape"}, main_));
        (master ? master_ : saveAs_).clear(); // a cancelled dialog empties the name
    }

    // "Save To Form", then what it read and wrote against what the entries show.
    void Fill()
    {
        for (bool master : {true, false}) {
            if ((master ? master_ : saveAs_).empty()) {
                ASSERT_NO_FATAL_FAILURE(TypeName(master)); // a blank name only moves the focus
            }
        }
        const fs::path folder = driveC_ / "Morvek20";
        for (const std::string& copy : kCopies) {
            fs::remove(folder / copy);
        }
        watch_->Take();
        const bool click = Chance(0.4);
        Step(std::string("Save To Form by ") + (click ? "a click" : "Alt+T"));
        ++fills_;
        ASSERT_TRUE(click ? ClickOn(main_, kToForm) : Keys(main_, {"alt+t"}));
        const Written outcome = WrittenOrBox(*watch_, "Viewer Error");
        ASSERT_TRUE(outcome.name || outcome.boxed) << "the fill neither wrote a copy nor showed a box" << Trail();
        const std::optional<std::string>& written = outcome.name;
        const bool boxed = outcome.boxed;
        std::set<std::string> opened;
        for (const auto& event : outcome.events) {
            if (event.opened && (event.name == kBroken || std::count(kMasters.begin(), kMasters.end(), event.name))) {
                opened.insert(event.name);
            }
        }

        const std::string master = master_.substr(kFolder.size());
        const std::string saveAs = saveAs_.substr(kFolder.size());
        const bool opens = std::count(kMasters.begin(), kMasters.end(), master) > 0;
        const bool saves = opens && saveAs != kUnwritable;
        const std::set<std::string> expectOpened =
            master == kAbsent ? std::set<std::string>{} : std::set<std::string>{master};
        Note(boxed ? ": a box" : ": wrote " + *written);
        EXPECT_EQ(opened, expectOpened) << "the masters opened are not the one shown" << Trail();
        if (saves) {
            ASSERT_FALSE(boxed) << "a \"Viewer Error\" box where the names shown fill" << Trail();
            ASSERT_EQ(*written, saveAs) << "the copy went elsewhere than the name shown" << Trail();
            const auto mark = MarkOf(folder / *written);
            ASSERT_TRUE(mark) << "pypdf could not read the copy" << Trail();
            EXPECT_EQ(*mark, Mark(master)) << "the copy was filled from another master" << Trail();
        } else {
            ASSERT_TRUE(boxed) << "wrote " << written.value_or("") << " where the names shown fail" << Trail();
            ASSERT_NO_FATAL_FAILURE(Answer("Viewer Error", {Chance(0.5) ? "Return" : "Escape"}, main_));
        }
        for (const std::string& copy : kCopies) {
            if (copy != (saves ? saveAs : std::string())) {
                EXPECT_FALSE(fs::exists(folder / copy)) << copy << " was written" << Trail();
            }
        }
    }

    // One run in a newly started program; the records stored by earlier runs stay.
    void Run(unsigned seed, WindowId main)
    {
        seed_ = seed;
        rng_.seed(seed);
        trail_.clear();
        fills_ = 0;
        main_ = main;
        ASSERT_NO_FATAL_FAILURE(DriveAsAPerson(main));
        master_ = kFolder + "form1.pdf";
        saveAs_ = kFolder + "form1-filled.pdf";
        const int steps = static_cast<int>(FromEnvironment("QUORIN_E2E_STEPS").value_or(kSteps));
        for (int i = 0; i < steps && !HasFatalFailure(); ++i) {
            const double roll = std::uniform_real_distribution<double>(0, 1)(rng_);
            if (i == steps - 1 || roll < 0.2) {
                Fill();
            } else if (roll < 0.5) {
                TypeName(Chance(0.5));
            } else if (roll < 0.58) {
                AddRecord();
            } else if (roll < 0.66) {
                CancelRecord();
            } else if (roll < 0.72) {
                ChangeRecord();
            } else if (roll < 0.78) {
                Help();
            } else if (roll < 0.86) {
                CancelFileDialog();
            } else {
                Look(Chance(0.5));
            }
        }
        if (!HasFatalFailure()) {
            EXPECT_GE(fills_, 3) << Trail();
            if (std::getenv("QUORIN_E2E_TRACE") != nullptr) {
                std::cerr << Trail() << '\n';
            }
            EXPECT_EQ(static_cast<int>(StoredRecords().size()), records_) << Trail();
        }
    }

    std::unique_ptr<FolderWatch> watch_;
    unsigned seed_ = 0;
    std::mt19937 rng_;
    const Place* lastPlace_ = nullptr; // the place of the last click, and where across it
    double lastAcross_ = 0;
    std::vector<std::string> trail_;
    WindowId main_;
    std::string master_;
    std::string saveAs_;
    int records_ = 0;
    int added_ = 0;
    int changed_ = 0;
    int fills_ = 0;
};

TEST_P(RandomSequenceTest, EveryFillReadsAndWritesTheNamesTheWindowShows)
{
    for (const unsigned seed : Seeds()) {
        Session([&](WindowId main) { Run(seed, main); });
        ASSERT_FALSE(HasFailure());
    }
}

INSTANTIATE_TEST_SUITE_P(Desktop, RandomSequenceTest, ::testing::Bool(), WindowManagerName);

} // namespace
} // namespace quorin::e2e
