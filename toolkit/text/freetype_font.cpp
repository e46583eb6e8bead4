#include "toolkit/text/freetype_font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <unordered_map>
#include <utility>

#include "toolkit/runtime/errors.h"
#include "toolkit/text/utf8.h"

namespace tivaro::text {
namespace {

[[noreturn]] void Fail(const std::string& why) {
    throw rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall, why);
}

// 26.6 fixed point to whole pixels.
std::int32_t Ceil26(FT_Pos v) {
    return static_cast<std::int32_t>((v + 63) >> 6);
}
std::int32_t Round26(FT_Pos v) {
    return static_cast<std::int32_t>((v + 32) >> 6);
}

FT_Library Library() {
    // Lives as long as the process: faces may be released during static destruction.
    static FT_Library library = [] {
        FT_Library lib = nullptr;
        if (FT_Init_FreeType(&lib) != 0) Fail("FreeType could not be started");
        return lib;
    }();
    return library;
}

// A font file read into memory once, with its face; sizes are made per rendered font.
struct SharedFace {
    std::vector<FT_Byte> bytes;
    FT_Face face = nullptr;

    SharedFace() = default;
    SharedFace(const SharedFace&) = delete;
    SharedFace& operator=(const SharedFace&) = delete;
    ~SharedFace() {
        if (face != nullptr) FT_Done_Face(face);
    }
};

std::shared_ptr<SharedFace> LoadFace(const std::string& file, int index) {
    static std::map<std::pair<std::string, int>, std::shared_ptr<SharedFace>> cache;
    auto key = std::make_pair(file, index);
    if (auto it = cache.find(key); it != cache.end()) return it->second;
    std::ifstream in(file, std::ios::binary);
    if (!in) Fail("cannot read the font file " + file);
    auto shared = std::make_shared<SharedFace>();
    shared->bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (FT_New_Memory_Face(Library(), shared->bytes.data(),
                           static_cast<FT_Long>(shared->bytes.size()), index, &shared->face) != 0) {
        shared->face = nullptr;
        Fail("FreeType cannot open the font file " + file);
    }
    cache.emplace(std::move(key), shared);
    return shared;
}

class FreeTypeFont final : public Font {
public:
    FreeTypeFont(const FontDesc& desc, std::int32_t dpi, const ResolvedFace& resolved,
                 std::shared_ptr<SharedFace> face);
    ~FreeTypeFont() override {
        if (size_ != nullptr) FT_Done_Size(size_);
    }

    TextExtent Measure(std::string_view utf8) const override;
    void Draw(gfx::Surface& surface, std::int32_t x, std::int32_t y, std::string_view utf8,
              gfx::Colour colour, const ClipRect* clip) const override;

private:
    struct Glyph {
        FT_UInt index = 0;
        std::int32_t left = 0;  // bitmap origin relative to the pen and the baseline
        std::int32_t top = 0;
        std::int32_t width = 0;
        std::int32_t rows = 0;
        std::int32_t advance = 0;
        std::vector<std::uint8_t> coverage;  // width x rows, 0..255
    };

    const Glyph& GlyphFor(char32_t code_point) const;
    std::int32_t Kerning(FT_UInt left, FT_UInt right) const;
    // Walks the glyphs of a line: fn(glyph, pen x) for each; returns the final pen.
    template <class Fn>
    std::int32_t Layout(std::string_view utf8, Fn&& fn) const;

    std::shared_ptr<SharedFace> face_;
    FT_Size size_ = nullptr;
    bool embolden_ = false;
    bool oblique_ = false;
    std::int32_t descent_ = 0;
    std::int32_t underline_offset_ = 0;  // below the baseline
    std::int32_t strike_offset_ = 0;     // above the baseline
    std::int32_t line_thickness_ = 1;
    mutable std::unordered_map<char32_t, Glyph> glyphs_;
};

FreeTypeFont::FreeTypeFont(const FontDesc& desc, std::int32_t dpi, const ResolvedFace& resolved,
                           std::shared_ptr<SharedFace> face)
    : Font(desc, dpi),
      face_(std::move(face)),
      embolden_(resolved.embolden),
      oblique_(resolved.oblique) {
    family_ = resolved.family;
    FT_Face f = face_->face;
    if (FT_New_Size(f, &size_) != 0) {
        size_ = nullptr;
        Fail("FreeType cannot size " + resolved.file);
    }
    FT_Activate_Size(size_);
    if (FT_IS_SCALABLE(f)) {
        FT_Set_Pixel_Sizes(f, 0, static_cast<FT_UInt>(PixelSize()));
    } else if (f->num_fixed_sizes > 0) {
        FT_Select_Size(f, 0);
    }
    const FT_Size_Metrics& m = size_->metrics;
    ascent_ = Ceil26(m.ascender);
    descent_ = Ceil26(-m.descender);
    // The Windows cell: the OS/2 table's winAscent and winDescent when the file has them.
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
        os2 != nullptr && FT_IS_SCALABLE(f) && os2->usWinAscent + os2->usWinDescent > 0) {
        ascent_ = Ceil26(FT_MulFix(os2->usWinAscent, m.y_scale));
        descent_ = Ceil26(FT_MulFix(os2->usWinDescent, m.y_scale));
        strike_offset_ = Round26(FT_MulFix(os2->yStrikeoutPosition, m.y_scale));
    }
    if (strike_offset_ <= 0) strike_offset_ = std::max(1, ascent_ / 3);
    if (FT_IS_SCALABLE(f)) {
        underline_offset_ = std::max(1, Round26(-FT_MulFix(f->underline_position, m.y_scale)));
        line_thickness_ = std::max(1, Round26(FT_MulFix(f->underline_thickness, m.y_scale)));
    } else {
        underline_offset_ = 1;
    }
    underline_offset_ = std::min(underline_offset_, std::max(1, descent_ - line_thickness_));
}

const FreeTypeFont::Glyph& FreeTypeFont::GlyphFor(char32_t code_point) const {
    if (auto it = glyphs_.find(code_point); it != glyphs_.end()) return it->second;
    Glyph glyph;
    FT_Face f = face_->face;
    FT_Activate_Size(size_);
    glyph.index = FT_Get_Char_Index(f, code_point);
    // The classic desktop draws small UI text unsmoothed, one ink level per pixel; larger
    // text is antialiased.
    const bool mono = PixelSize() <= kLargestUnsmoothedPixels;
    FT_Int32 flags = FT_LOAD_DEFAULT | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_LIGHT);
    if (embolden_ || oblique_) flags |= FT_LOAD_NO_BITMAP;
    if (FT_Load_Glyph(f, glyph.index, flags) == 0) {
        FT_GlyphSlot slot = f->glyph;
        if (oblique_) FT_GlyphSlot_Oblique(slot);
        if (embolden_) FT_GlyphSlot_Embolden(slot);
        if (slot->format == FT_GLYPH_FORMAT_BITMAP ||
            FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) == 0) {
            const FT_Bitmap& bm = slot->bitmap;
            glyph.left = slot->bitmap_left;
            glyph.top = slot->bitmap_top;
            glyph.width = static_cast<std::int32_t>(bm.width);
            glyph.rows = static_cast<std::int32_t>(bm.rows);
            glyph.coverage.resize(static_cast<std::size_t>(glyph.width) * bm.rows);
            for (std::int32_t row = 0; row < glyph.rows; ++row) {
                const unsigned char* src = bm.buffer + static_cast<std::ptrdiff_t>(row) * bm.pitch;
                std::uint8_t* dst =
                    glyph.coverage.data() + static_cast<std::size_t>(row) * bm.width;
                for (std::int32_t col = 0; col < glyph.width; ++col) {
                    if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
                        dst[col] = (src[col >> 3] & (0x80 >> (col & 7))) != 0 ? 255 : 0;
                    } else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY && bm.num_grays > 1) {
                        dst[col] = static_cast<std::uint8_t>(src[col] * 255 / (bm.num_grays - 1));
                    }
                }
            }
        }
        glyph.advance = Round26(slot->advance.x);
    }
    return glyphs_.emplace(code_point, std::move(glyph)).first->second;
}

std::int32_t FreeTypeFont::Kerning(FT_UInt left, FT_UInt right) const {
    FT_Face f = face_->face;
    if (left == 0 || right == 0 || !FT_HAS_KERNING(f)) return 0;
    FT_Activate_Size(size_);
    FT_Vector delta{};
    if (FT_Get_Kerning(f, left, right, FT_KERNING_DEFAULT, &delta) != 0) return 0;
    return Round26(delta.x);
}

template <class Fn>
std::int32_t FreeTypeFont::Layout(std::string_view utf8, Fn&& fn) const {
    std::int32_t pen = 0;
    FT_UInt previous = 0;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const Glyph& glyph = GlyphFor(NextCodePoint(utf8, pos));
        pen += Kerning(previous, glyph.index);
        fn(glyph, pen);
        pen += glyph.advance;
        previous = glyph.index;
    }
    return pen;
}

TextExtent FreeTypeFont::Measure(std::string_view utf8) const {
    const std::int32_t width = Layout(utf8, [](const Glyph&, std::int32_t) {});
    return {width, ascent_ + descent_};
}

void FreeTypeFont::Draw(gfx::Surface& surface, std::int32_t x, std::int32_t y,
                        std::string_view utf8, gfx::Colour colour, const ClipRect* clip) const {
    const ClipRect box = DrawBox(surface, clip);
    if (box.left >= box.right || box.top >= box.bottom) return;
    const std::uint32_t red = colour & 0xFF;
    const std::uint32_t green = (colour >> 8) & 0xFF;
    const std::uint32_t blue = (colour >> 16) & 0xFF;
    std::uint32_t* pixels = surface.pixels();
    const std::int32_t stride = surface.device_width();
    auto blend = [&](std::int32_t px, std::int32_t py, std::uint32_t alpha) {
        if (alpha == 0 || px < box.left || px >= box.right || py < box.top || py >= box.bottom) {
            return;
        }
        std::uint32_t& p = pixels[static_cast<std::size_t>(py) * stride + px];
        auto mix = [alpha](std::uint32_t src, std::uint32_t dst) {
            return (src * alpha + dst * (255 - alpha) + 127) / 255;
        };
        p = (mix(red, (p >> 16) & 0xFF) << 16) | (mix(green, (p >> 8) & 0xFF) << 8) |
            mix(blue, p & 0xFF);
    };
    const std::int32_t baseline = y + ascent_;
    const std::int32_t end = Layout(utf8, [&](const Glyph& g, std::int32_t pen) {
        const std::int32_t gx = x + pen + g.left;
        const std::int32_t gy = baseline - g.top;
        for (std::int32_t row = 0; row < g.rows; ++row) {
            const std::uint8_t* cov = g.coverage.data() + static_cast<std::size_t>(row) * g.width;
            for (std::int32_t col = 0; col < g.width; ++col) blend(gx + col, gy + row, cov[col]);
        }
    });
    auto rule = [&](std::int32_t top) {
        for (std::int32_t row = top; row < top + line_thickness_; ++row) {
            for (std::int32_t col = x; col < x + end; ++col) blend(col, row, 255);
        }
    };
    if (Desc().underline) rule(baseline + underline_offset_);
    if (Desc().strikethrough) rule(baseline - strike_offset_);
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

}  // namespace

std::vector<std::string> FamiliesFor(std::string_view face_name) {
    // Face names of the Japanese and western Windows systems, full-width as stored.
    struct Alias {
        std::string_view name;
        std::vector<std::string> families;
    };
    static const Alias kAliases[] = {
        {"ＭＳ Ｐゴシック", {"IPAPGothic", "sans-serif"}},
        {"ms pgothic", {"IPAPGothic", "sans-serif"}},
        {"ms ui gothic", {"IPAPGothic", "sans-serif"}},
        {"ＭＳ ゴシック", {"IPAGothic", "monospace"}},
        {"ms gothic", {"IPAGothic", "monospace"}},
        {"ＭＳ Ｐ明朝", {"IPAPMincho", "serif"}},
        {"ＭＳ 明朝", {"IPAMincho", "serif"}},
        {"ms sans serif", {"DejaVu Sans", "sans-serif"}},
        {"ms shell dlg", {"DejaVu Sans", "sans-serif"}},
    };
    const std::string lower = Lower(face_name);
    for (const Alias& alias : kAliases) {
        if (alias.name == face_name || alias.name == lower) return alias.families;
    }
    if (face_name.empty()) return {"sans-serif"};
    return {std::string(face_name), "sans-serif"};
}

ResolvedFace ResolveFace(const FontDesc& desc) {
    static const bool started = FcInit() == FcTrue;
    if (!started) Fail("fontconfig could not be started");
    FcPattern* pattern = FcPatternCreate();
    for (const std::string& family : FamiliesFor(desc.name)) {
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    }
    FcPatternAddDouble(pattern, FC_PIXEL_SIZE, PointsToPixels(desc.size));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(desc.weight));
    FcPatternAddInteger(pattern, FC_SLANT, desc.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    if (desc.charset == kShiftJisCharset) {
        FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    }
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) Fail("no font is installed for \"" + desc.name + "\"");
    ResolvedFace resolved;
    FcChar8* text = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &text) == FcResultMatch) {
        resolved.file = reinterpret_cast<const char*>(text);
    }
    if (FcPatternGetString(match, FC_FAMILY, 0, &text) == FcResultMatch) {
        resolved.family = reinterpret_cast<const char*>(text);
    }
    int index = 0;
    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) resolved.index = index;
    FcBool embolden = FcFalse;
    if (FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden) == FcResultMatch) {
        resolved.embolden = embolden == FcTrue;
    }
    int slant = FC_SLANT_ROMAN;
    if (desc.italic && FcPatternGetInteger(match, FC_SLANT, 0, &slant) == FcResultMatch) {
        resolved.oblique = slant == FC_SLANT_ROMAN;
    }
    FcPatternDestroy(match);
    if (resolved.file.empty()) Fail("no font file is installed for \"" + desc.name + "\"");
    return resolved;
}

std::shared_ptr<const Font> OpenFont(const FontDesc& desc, std::int32_t dpi) {
    return CachedFont(desc, dpi, [](const FontDesc& asked, std::int32_t scale) {
        const ResolvedFace resolved = ResolveFace(asked);
        return std::shared_ptr<const Font>(std::make_shared<FreeTypeFont>(
            asked, scale, resolved, LoadFace(resolved.file, resolved.index)));
    });
}

}  // namespace tivaro::text
