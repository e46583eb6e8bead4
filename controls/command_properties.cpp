// Command: its five properties and its stored form data.
//
//   key          written value          type     writing default   reading default
//   Enabled      Enabled                boolean  true              true
//   Caption      LblMsg's caption       text     "Command"         "Command1"
//   FirstRun     FirstRun               u8       "1"               "1"
//   Font         LblMsg's font          font     ambient font      ambient font
//   FontColour   LblMsg's fore colour   i32      "0"               "0"
//   Visible      background style       i16      "1"               "1"
//
// Reading goes Enabled, Caption, Font, FirstRun, FontColour, Visible, and takes only the
// face name of the stored font.
#include "controls/command.h"
#include "toolkit/runtime/errors.h"

namespace tivaro::controls {

text::FontDesc Command::AmbientFont() const {
    const Widget* container = Parent();
    return container != nullptr && container->ambient_font ? *container->ambient_font
                                                           : text::DefaultUiFont();
}

void Command::PropertyChanged(std::string_view name) {
    if (OnPropertyChanged) OnPropertyChanged(name);
}

void Command::SetBackStyleValue(std::int16_t style) {
    if (style != 0 && style != 1) {
        throw rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall,
                               "invalid background style " + std::to_string(style));
    }
    back_style_ = style == 0 ? forms::BackStyle::Transparent : forms::BackStyle::Opaque;
    Refresh();
}

std::string Command::Caption() {
    std::string result;
    rt::StepsIgnoringErrors([&] { result = LblMsg_.Caption(); });
    return result;
}

void Command::SetCaption(const std::string& New_Caption) {
    rt::StepsIgnoringErrors([&] { LblMsg_.SetCaption(New_Caption); },
                            [&] { PropertyChanged("Caption"); });
}

std::shared_ptr<text::FontDesc> Command::Font() {
    std::shared_ptr<text::FontDesc> result;
    rt::StepsIgnoringErrors([&] { result = LblMsg_.Font(); });
    return result;
}

void Command::SetFont(std::shared_ptr<text::FontDesc> New_Font) {
    rt::StepsIgnoringErrors([&] { LblMsg_.SetFont(std::move(New_Font)); },
                            [&] { PropertyChanged("Font"); });
}

std::int32_t Command::FontColour() {
    std::int32_t result = 0;
    rt::StepsIgnoringErrors([&] { result = static_cast<std::int32_t>(LblMsg_.ForeColor()); },
                            [&] { ApplyNormalLook(); });
    return result;
}

void Command::SetFontColour(std::int32_t New_FontColour) {
    rt::StepsIgnoringErrors(
        [&] {
            if (New_FontColour < 0 || New_FontColour > 0xFFFFFF) {
                throw rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall,
                                       "not a colour: " + std::to_string(New_FontColour));
            }
            LblMsg_.SetForeColor(static_cast<gfx::Colour>(New_FontColour));
        },
        [&] { ApplyNormalLook(); }, [&] { PropertyChanged("FontColour"); });
}

rt::Bool16 Command::Enabled() {
    rt::Bool16 result = rt::kFalse;
    rt::StepsIgnoringErrors(
        [&] {
            if (FirstRun_ != 0) return;
            // First-time set-up: a control becomes enabled the first time anything reads
            // its Enabled.
            rt::StepsIgnoringErrors([&] { ApplyNormalLook(); }, [&] { FirstRun_ = 1; },
                                    [&] { Enabled_ = rt::kTrue; });
        },
        [&] { result = Enabled_; }, [&] { ApplyEnabledLook(); });
    return result;
}

void Command::SetEnabled(rt::Bool16 New_Enabled) {
    rt::StepsIgnoringErrors([&] { Enabled_ = rt::ToBool16(New_Enabled != 0); },
                            [&] { PropertyChanged("Enabled"); }, [&] { ApplyEnabledLook(); });
}

std::uint8_t Command::Visible() {
    std::uint8_t result = 0;
    rt::StepsIgnoringErrors([&] {
        if (back_style_ == forms::BackStyle::Transparent) return;
        rt::StepsIgnoringErrors([&] { result = 255; }, [&] { ApplyNormalLook(); });
    });
    return result;
}

void Command::SetVisible(std::uint8_t New_Visible) {
    rt::StepsIgnoringErrors(
        [&] {
            if (New_Visible == 0) {
                SetBackStyleValue(0);
            } else {
                rt::StepsIgnoringErrors([&] { SetBackStyleValue(1); }, [&] { ApplyNormalLook(); });
            }
        },
        [&] { PropertyChanged("Visible"); });
}

void Command::UserControl_WriteProperties(forms::PropertyBag& PropBag) {
    using forms::PropertyValue;
    rt::StepsIgnoringErrors(
        [&] { PropBag.WriteProperty("Enabled", Enabled_ != rt::kFalse, true); },
        [&] { PropBag.WriteProperty("Caption", LblMsg_.Caption(), "Command"); },
        [&] { PropBag.WriteProperty("FirstRun", FirstRun_, "1"); },
        [&] { PropBag.WriteProperty("Font", *LblMsg_.Font(), AmbientFont()); },
        [&] {
            PropBag.WriteProperty("FontColour", static_cast<std::int32_t>(LblMsg_.ForeColor()),
                                  "0");
        },
        [&] {
            const std::int16_t style = back_style_ == forms::BackStyle::Transparent ? 0 : 1;
            PropBag.WriteProperty("Visible", style, "1");
        },
        [&] { ApplyNormalLook(); });
}

void Command::UserControl_ReadProperties(const forms::PropertyBag& PropBag) {
    rt::StepsIgnoringErrors(
        [&] { Enabled_ = forms::ToBoolean(PropBag.ReadProperty("Enabled", true)); },
        [&] { LblMsg_.SetCaption(forms::ToText(PropBag.ReadProperty("Caption", "Command1"))); },
        // The font object's default property, its face name, is all that is assigned.
        [&] { LblMsg_.SetFontName(forms::ToText(PropBag.ReadProperty("Font", AmbientFont()))); },
        [&] { FirstRun_ = forms::ToByte(PropBag.ReadProperty("FirstRun", "1")); },
        [&] {
            const std::int32_t colour = forms::ToLong(PropBag.ReadProperty("FontColour", "0"));
            if (colour < 0 || colour > 0xFFFFFF) {
                throw rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall,
                                       "not a colour: " + std::to_string(colour));
            }
            LblMsg_.SetForeColor(static_cast<gfx::Colour>(colour));
        },
        [&] { SetBackStyleValue(forms::ToInteger(PropBag.ReadProperty("Visible", "1"))); },
        [&] { ApplyNormalLook(); });
}

}  // namespace tivaro::controls
