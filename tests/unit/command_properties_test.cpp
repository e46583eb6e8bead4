// The push button's properties, their side effects and change reports, and its stored
// form data: the keys, their defaults on writing and on reading, and the first-time set-up
// that the first reading of Enabled runs.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "controls/command.h"
#include "toolkit/forms/application.h"
#include "toolkit/forms/form.h"
#include "toolkit/forms/property_bag.h"
#include "toolkit/image/decode.h"
#include "platform/testing/recording_backend.h"

namespace tivaro::controls {
namespace {

using platform::Event;
using platform::EventType;

constexpr gfx::Colour kRed = gfx::RGB(255, 0, 0);

// A stored font of 14 points, bold, italic, underlined, in another character set.
text::FontDesc BigBoldFont() {
    text::FontDesc font;
    font.name = "DejaVu Sans";
    font.size = 14;
    font.weight = 700;
    font.italic = true;
    font.underline = true;
    font.charset = 0;
    return font;
}

class CommandPropertiesTest : public ::testing::Test {
protected:
    void SetUp() override {
        form.auto_redraw = true;
        form.Move(0, 0, 200, 60);
        form.Load();
    }
    void TearDown() override {
        forms::Application::Get().DoEvents();
        buttons.clear();
        form.Unload();
    }

    // A control placed on the form: read from `form_data` when given (as a container
    // creates it from its stored form data), then given its window.
    Command& Place(const char* form_data = nullptr) {
        auto& b = *buttons.emplace_back(
            std::make_unique<Command>(&form, "Cmd" + std::to_string(buttons.size())));
        b.Move(10, 10, 73, 25);
        b.OnPropertyChanged = [this](std::string_view name) { reported.emplace_back(name); };
        if (form_data != nullptr) {
            b.UserControl_ReadProperties(forms::PropertyBag::FromFormData(form_data));
        }
        b.CreateWindows(form.hWnd());
        return b;
    }
    static forms::PropertyBag Saved(Command& b) {
        forms::PropertyBag bag;
        b.UserControl_WriteProperties(bag);
        return bag;
    }
    static std::vector<std::string> Keys(const forms::PropertyBag& bag) {
        std::vector<std::string> keys;
        for (const auto& e : bag.Entries()) keys.push_back(e.first);
        return keys;
    }
    // The caption colour as the face shows it: whether any pixel has `colour`.
    bool FaceHas(Command& b, gfx::Colour colour) {
        b.Refresh();
        const std::uint32_t pixel = ((colour & 0xFF) << 16) | (colour & 0xFF00) | (colour >> 16);
        for (std::uint32_t p : backend.presented.at(b.hWnd())) {
            if (p == pixel) return true;
        }
        return false;
    }

    platform::testing::RecordingBackend backend;
    forms::Form form{"frmProps", platform::WindowKind::TopLevelDialog, "Props"};
    std::vector<std::unique_ptr<Command>> buttons;
    std::vector<std::string> reported;
};

TEST_F(CommandPropertiesTest, AssignmentsReportTheirChangeAndReadingsDoNot) {
    Command& b = Place();
    b.Enabled();
    b.SetCaption("Exit");
    b.SetFont(std::make_shared<text::FontDesc>(BigBoldFont()));
    b.SetFontColour(kRed);
    b.SetEnabled(rt::kTrue);
    b.SetVisible(0);
    b.SetVisible(1);
    EXPECT_EQ(reported, (std::vector<std::string>{"Caption", "Font", "FontColour", "Enabled",
                                                  "Visible", "Visible"}));
    reported.clear();
    EXPECT_EQ(b.Caption(), "Exit");
    EXPECT_EQ(b.Font()->size, 14);
    EXPECT_EQ(b.FontColour(), static_cast<std::int32_t>(kRed));
    EXPECT_EQ(b.Enabled(), rt::kTrue);
    EXPECT_EQ(b.Visible(), 255);
    EXPECT_TRUE(reported.empty());
}

TEST_F(CommandPropertiesTest, VisibleIsTheBackgroundStyleAndReads0Or255) {
    Command& b = Place();
    b.Enabled();
    b.Initialize();
    const gfx::Surface normal =
        image::DecodePicture(assets::Find(Command::SkinFile(Command::Skin::Normal)));
    backend.window_under_cursor = b.hWnd();
    backend.Queue(Event{EventType::Motion, b.hWnd(), 5, 5});
    forms::Application::Get().DoEvents();
    ASSERT_EQ(b.State(), Command::Hover);
    b.Refresh();
    EXPECT_NE(backend.presented.at(b.hWnd())[12 * 73 + 2], normal.pixels()[12 * 64 + 2]);
    b.SetVisible(7);
    EXPECT_EQ(b.BackStyle(), forms::BackStyle::Opaque);
    EXPECT_EQ(b.Visible(), 255);
    // Reading redraws the hovered button with Normal; the state stays Hover.
    EXPECT_EQ(b.State(), Command::Hover);
    b.Refresh();
    EXPECT_EQ(backend.presented.at(b.hWnd())[12 * 73 + 2], normal.pixels()[12 * 64 + 2]);
    b.SetVisible(0);
    EXPECT_EQ(b.BackStyle(), forms::BackStyle::Transparent);
    EXPECT_EQ(b.Visible(), 0);
    EXPECT_EQ(forms::ToInteger(Saved(b).ReadProperty("Visible", "1")), 0);
    b.SetVisible(1);
    EXPECT_FALSE(Saved(b).Contains("Visible"));
}

TEST_F(CommandPropertiesTest, DefaultsAreNotWrittenAndAbsentKeysReadTheirReadingDefaults) {
    Command& b = Place();
    b.Enabled();
    b.SetCaption("Command");
    b.SetFont(std::make_shared<text::FontDesc>(b.AmbientFont()));
    const forms::PropertyBag bag = Saved(b);
    EXPECT_TRUE(bag.Entries().empty()) << bag.FormDataText();
    Command& copy = Place(bag.FormDataText().c_str());
    EXPECT_EQ(copy.Caption(), "Command1");  // not "Command": the reading default differs
    EXPECT_EQ(copy.EnabledFlag(), rt::kTrue);
    EXPECT_EQ(copy.FirstRun(), 1);
    EXPECT_EQ(copy.LblMsg().ForeColor(), 0u);
    EXPECT_EQ(copy.BackStyle(), forms::BackStyle::Opaque);
}

TEST_F(CommandPropertiesTest, EverythingThatDiffersIsWrittenInTheKeyOrder) {
    Command& b = Place();
    b.SetVisible(0);  // before the first reading of Enabled: off, FirstRun 0
    b.SetCaption("Quit");
    b.SetFont(std::make_shared<text::FontDesc>(BigBoldFont()));
    b.LblMsg().SetForeColor(kRed);
    const forms::PropertyBag bag = Saved(b);
    EXPECT_EQ(Keys(bag), (std::vector<std::string>{"enabled", "caption", "firstrun", "font",
                                                   "fontcolour", "visible"}));
    EXPECT_EQ(bag.ReadProperty("Enabled", true), forms::PropertyValue(false));
    EXPECT_EQ(bag.ReadProperty("FirstRun", "1"), forms::PropertyValue(std::uint8_t{0}));
    EXPECT_EQ(bag.ReadProperty("FontColour", "0"), forms::PropertyValue(std::int32_t{255}));
    EXPECT_EQ(bag.ReadProperty("Visible", "1"), forms::PropertyValue(std::int16_t{0}));
}

TEST_F(CommandPropertiesTest, OnlyTheFacenameOfAStoredFontIsRestored) {
    Command& b = Place();
    b.Enabled();
    b.SetFont(std::make_shared<text::FontDesc>(BigBoldFont()));
    Command& copy = Place(Saved(b).FormDataText().c_str());
    const text::FontDesc& font = *copy.LblMsg().Font();
    EXPECT_EQ(font.name, "DejaVu Sans");
    EXPECT_EQ(font.size, 9.75);  // the rest is the caption's design font
    EXPECT_EQ(font.weight, 400);
    EXPECT_FALSE(font.italic);
    EXPECT_FALSE(font.underline);
    EXPECT_EQ(font.charset, text::kShiftJisCharset);
}

TEST_F(CommandPropertiesTest, AControlWithNoFontOfItsOwnTakesItsContainersFont) {
    form.ambient_font = std::make_shared<text::FontDesc>(BigBoldFont());
    Command& b = Place("caption = \"Exit\"\n");
    EXPECT_EQ(b.LblMsg().Font()->name, "DejaVu Sans");
    b.Enabled();
    b.SetFont(std::make_shared<text::FontDesc>(BigBoldFont()));
    EXPECT_FALSE(Saved(b).Contains("Font"));  // the container's font in full is not stored
    Command& own = Place("font = font {\n    name = \"IPAPGothic\"\n}\n");
    EXPECT_EQ(own.LblMsg().Font()->name, "IPAPGothic");
}

TEST_F(CommandPropertiesTest, AControlSavedBeforeAnythingReadEnabledWakesOnTheFirstReading) {
    Command& fresh = Place();
    const forms::PropertyBag bag = Saved(fresh);
    EXPECT_EQ(forms::ToBoolean(bag.ReadProperty("Enabled", true)), rt::kFalse);
    EXPECT_EQ(forms::ToByte(bag.ReadProperty("FirstRun", "1")), 0);
    int clicks = 0;
    Command& b = Place(bag.FormDataText().c_str());
    b.Click = [&] { ++clicks; };
    b.Initialize();
    EXPECT_EQ(b.EnabledFlag(), rt::kFalse);
    EXPECT_FALSE(b.LblMsg().Enabled());  // the Disable look
    backend.window_under_cursor = b.hWnd();
    for (EventType type : {EventType::Motion, EventType::ButtonDown, EventType::ButtonUp}) {
        backend.Queue(Event{type, b.hWnd(), 5, 5, 1});
    }
    forms::Application::Get().DoEvents();
    EXPECT_EQ(b.State(), Command::Idle);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(b.Enabled(), rt::kTrue);  // the first reading turns it on
    EXPECT_EQ(b.FirstRun(), 1);
    EXPECT_TRUE(b.LblMsg().Enabled());
    EXPECT_FALSE(Saved(b).Contains("Enabled"));  // both at their defaults now
    EXPECT_FALSE(Saved(b).Contains("FirstRun"));
    backend.Queue(Event{EventType::ButtonUp, b.hWnd(), 5, 5, 1});
    forms::Application::Get().DoEvents();
    EXPECT_EQ(clicks, 1);
}

TEST_F(CommandPropertiesTest, TheCaptionColourIsHeldBlackUntilTheFirstTimeSetUpRan) {
    Command& b = Place();
    b.SetCaption("Exit");
    b.SetEnabled(rt::kTrue);  // on, but FirstRun is still 0
    b.SetFontColour(kRed);
    EXPECT_EQ(b.LblMsg().ForeColor(), 0u);
    EXPECT_FALSE(FaceHas(b, kRed));
    b.Enabled();  // the first-time set-up
    b.SetFontColour(kRed);
    EXPECT_EQ(b.FontColour(), static_cast<std::int32_t>(kRed));
    EXPECT_TRUE(FaceHas(b, kRed));
    b.SetFontColour(-1);  // not a colour: refused, the caption keeps its colour
    EXPECT_EQ(b.LblMsg().ForeColor(), kRed);
}

TEST_F(CommandPropertiesTest, TheDialogsExitButtonLoadsEnabledBlackAndCaptionedExit) {
    Command& b = Place(
        "caption = \"Exit\"\n"
        "font = font {\n"
        "    name = \"ＭＳ Ｐゴシック\"\n"
        "    size = 9.75\n"
        "    charset = 128\n"
        "}\n");
    EXPECT_EQ(b.EnabledFlag(), rt::kTrue);
    EXPECT_EQ(b.FirstRun(), 1);
    EXPECT_EQ(b.Caption(), "Exit");
    EXPECT_EQ(b.LblMsg().ForeColor(), 0u);
    EXPECT_EQ(b.BackStyle(), forms::BackStyle::Opaque);
    EXPECT_TRUE(FaceHas(b, 0));
}

TEST_F(CommandPropertiesTest, AValueThatDoesNotConvertSkipsOnlyItsOwnProperty) {
    Command& b = Place(
        "enabled = \"maybe\"\n"  // not a boolean: stays off as created
        "caption = \"Go\"\n"
        "firstrun = i32 300\n"         // beyond 8 bits
        "fontcolour = i32 16777216\n"  // beyond RGB(255, 255, 255)
        "visible = i16 7\n");          // no such background style
    EXPECT_EQ(b.EnabledFlag(), rt::kFalse);
    EXPECT_EQ(b.Caption(), "Go");
    EXPECT_EQ(b.FirstRun(), 0);
    EXPECT_EQ(b.LblMsg().ForeColor(), 0u);
    EXPECT_EQ(b.BackStyle(), forms::BackStyle::Opaque);
}

TEST_F(CommandPropertiesTest, MalformedFormDataIsRefusedBeforeAnyPropertyIsTouched) {
    Command& b = Place();
    b.Enabled();
    b.SetCaption("Exit");
    try {
        b.UserControl_ReadProperties(
            forms::PropertyBag::FromFormData("caption = \"Quit\"\n"
                                             "visible = 0\n"));  // no type given
        FAIL() << "malformed form data was read";
    } catch (const forms::FormDataError& e) {
        EXPECT_EQ(e.line(), 2);
        EXPECT_NE(std::string(e.what()).find("line 2"), std::string::npos) << e.what();
    }
    EXPECT_EQ(b.Caption(), "Exit");
}

}  // namespace
}  // namespace tivaro::controls
