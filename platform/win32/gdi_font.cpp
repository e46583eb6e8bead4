#include "platform/win32/gdi_font.h"
#include "platform/win32/dib.h"

#include <algorithm>
#include <memory>
#include <type_traits>

#include "platform/win32/wide_text.h"
#include "toolkit/runtime/errors.h"

namespace tivaro::text {
namespace {

using platform::win32::Narrow;
using platform::win32::Widen;

[[noreturn]] void Fail(const std::string& why) {
    throw rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall, why);
}

int CALLBACK NoteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;  // one is enough
}

struct Candidates {
    std::wstring sans;   // the first proportional sans-serif family
    std::wstring other;  // the first other proportional family
};

int CALLBACK NoteProportional(const LOGFONTW* lf, const TEXTMETRICW* tm, DWORD, LPARAM candidates) {
    auto& found = *reinterpret_cast<Candidates*>(candidates);
    const std::wstring_view face(lf->lfFaceName);
    if (face.empty() || face.front() == L'@') return 1;  // '@': the vertical-writing face
    // Variable pitch by its own account, and really so: some CJK faces claim it with
    // Latin letters all of one width.
    const bool variable = (lf->lfPitchAndFamily & 0x3) == VARIABLE_PITCH &&
                          tm->tmAveCharWidth < tm->tmMaxCharWidth &&
                          tm->tmMaxCharWidth < 2 * tm->tmHeight;
    if (!variable) return 1;
    const bool sans = (lf->lfPitchAndFamily & 0xF0) == FF_SWISS;
    if (sans && found.sans.empty()) found.sans = face;
    if (!sans && found.other.empty()) found.other = face;
    return found.sans.empty() ? 1 : 0;
}

// Owners of the font's GDI objects, so that a constructor that fails half-way frees them.
struct DcDeleter {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
struct FontDeleter {
    void operator()(HFONT font) const { DeleteObject(font); }
};
using OwnedDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;
using OwnedFont = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

Candidates ProportionalFaces(BYTE charset) {
    Candidates found;
    LOGFONTW lf{};
    lf.lfCharSet = charset;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &lf, &NoteProportional, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

class GdiFont final : public Font {
public:
    GdiFont(const FontDesc& desc, std::int32_t dpi);
    ~GdiFont() override;

    TextExtent Measure(std::string_view utf8) const override;
    void Draw(gfx::Surface& surface, std::int32_t x, std::int32_t y, std::string_view utf8,
              gfx::Colour colour, const ClipRect* clip) const override;

private:
    // The scratch bitmap text is drawn into: white ink on black, then read back as coverage.
    void Scratch(std::int32_t width, std::int32_t height) const;

    std::int32_t height_ = 0;
    std::int32_t overhang_ = 0;  // ink that may stand out of the advance on either side
    // The font is declared first, so that the DC it is selected into goes first.
    OwnedFont font_;
    OwnedDc dc_;
    HGDIOBJ old_font_ = nullptr;
    mutable HBITMAP bitmap_ = nullptr;
    mutable HGDIOBJ old_bitmap_ = nullptr;
    mutable std::uint32_t* bits_ = nullptr;
    mutable std::int32_t bitmap_width_ = 0;
    mutable std::int32_t bitmap_height_ = 0;
};

GdiFont::GdiFont(const FontDesc& desc, std::int32_t dpi) : Font(desc, dpi) {
    dc_.reset(CreateCompatibleDC(nullptr));
    if (dc_ == nullptr) Fail("cannot make a device context for text");
    const std::wstring name = Widen(desc.name);
    const LOGFONTW lf =
        LogFontFor(desc, FaceInstalled(name) ? name : ProportionalSansFace(desc.charset), dpi);
    font_.reset(CreateFontIndirectW(&lf));
    if (font_ == nullptr) Fail("no font can be made for \"" + desc.name + "\"");
    HDC dc = dc_.get();
    old_font_ = SelectObject(dc, font_.get());
    wchar_t face[LF_FACESIZE] = {};
    const int length = GetTextFaceW(dc, LF_FACESIZE, face);
    family_ = Narrow(std::wstring_view(face, static_cast<std::size_t>(std::max(0, length - 1))));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    ascent_ = tm.tmAscent;
    height_ = tm.tmHeight;
    overhang_ = tm.tmOverhang + tm.tmMaxCharWidth / 2 + 2;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, 0x00FFFFFF);  // white
    SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
}

GdiFont::~GdiFont() {
    // Everything is selected out before the objects go (the font and the DC with their
    // owners).
    if (old_bitmap_ != nullptr) SelectObject(dc_.get(), old_bitmap_);
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
    if (old_font_ != nullptr) SelectObject(dc_.get(), old_font_);
}

TextExtent GdiFont::Measure(std::string_view utf8) const {
    const std::wstring text = Widen(utf8);
    SIZE size{};
    if (!text.empty())
        GetTextExtentPoint32W(dc_.get(), text.c_str(), static_cast<int>(text.size()), &size);
    return {static_cast<std::int32_t>(size.cx), height_};
}

void GdiFont::Scratch(std::int32_t width, std::int32_t height) const {
    if (bitmap_ != nullptr && width <= bitmap_width_ && height <= bitmap_height_) return;
    width = std::max(width, bitmap_width_);
    height = std::max(height, bitmap_height_);
    const BITMAPINFO bmi = platform::win32::TopDownDib32(width, height);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc_.get(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr) Fail("cannot make a bitmap to draw text in");
    HGDIOBJ previous = SelectObject(dc_.get(), bitmap);
    if (old_bitmap_ == nullptr) old_bitmap_ = previous;
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
    bitmap_ = bitmap;
    bits_ = static_cast<std::uint32_t*>(bits);
    bitmap_width_ = width;
    bitmap_height_ = height;
}

void GdiFont::Draw(gfx::Surface& surface, std::int32_t x, std::int32_t y, std::string_view utf8,
                   gfx::Colour colour, const ClipRect* clip) const {
    const ClipRect box = DrawBox(surface, clip);
    const std::wstring text = Widen(utf8);
    if (text.empty()) return;
    // Only the part of the text's cell (with room for overhanging ink) inside the box is
    // drawn and read back.
    const std::int32_t advance = Measure(utf8).width;
    const std::int32_t left = std::max(box.left, x - overhang_);
    const std::int32_t right = std::min(box.right, x + advance + overhang_);
    const std::int32_t top = std::max(box.top, y);
    const std::int32_t bottom = std::min(box.bottom, y + height_);
    if (left >= right || top >= bottom) return;
    const std::int32_t width = right - left;
    const std::int32_t height = bottom - top;
    Scratch(width, height);
    GdiFlush();
    for (std::int32_t row = 0; row < height; ++row) {
        std::fill_n(bits_ + static_cast<std::size_t>(row) * bitmap_width_, width, 0u);
    }
    TextOutW(dc_.get(), x - left, y - top, text.c_str(), static_cast<int>(text.size()));
    GdiFlush();

    const std::uint32_t red = colour & 0xFF;
    const std::uint32_t green = (colour >> 8) & 0xFF;
    const std::uint32_t blue = (colour >> 16) & 0xFF;
    auto mix = [](std::uint32_t alpha, std::uint32_t src, std::uint32_t dst) {
        return (src * alpha + dst * (255 - alpha) + 127) / 255;
    };
    std::uint32_t* pixels = surface.pixels();
    const std::int32_t stride = surface.device_width();
    for (std::int32_t row = 0; row < height; ++row) {
        const std::uint32_t* ink = bits_ + static_cast<std::size_t>(row) * bitmap_width_;
        std::uint32_t* out = pixels + static_cast<std::size_t>(top + row) * stride + left;
        for (std::int32_t col = 0; col < width; ++col) {
            // White on black: any channel is the coverage (the greatest, should the system
            // smooth per channel).
            const std::uint32_t v = ink[col];
            const std::uint32_t alpha = std::max({v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF});
            if (alpha == 0) continue;
            std::uint32_t& p = out[col];
            p = (mix(alpha, red, (p >> 16) & 0xFF) << 16) |
                (mix(alpha, green, (p >> 8) & 0xFF) << 8) | mix(alpha, blue, p & 0xFF);
        }
    }
}

}  // namespace

bool FaceInstalled(std::wstring_view face_name) {
    if (face_name.empty() || face_name.size() >= LF_FACESIZE) return false;
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    face_name.copy(lf.lfFaceName, face_name.size());
    bool found = false;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &lf, &NoteFace, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

std::wstring ProportionalSansFace(std::int16_t charset) {
    for (const BYTE set : {static_cast<BYTE>(charset), static_cast<BYTE>(DEFAULT_CHARSET)}) {
        const Candidates found = ProportionalFaces(set);
        if (!found.sans.empty()) return found.sans;
        if (!found.other.empty()) return found.other;
    }
    return {};
}

LOGFONTW LogFontFor(const FontDesc& desc, std::wstring_view face, std::int32_t dpi) {
    LOGFONTW lf{};
    const std::int32_t pixels = std::max(1, PointsToPixels(desc.size, dpi));
    lf.lfHeight = -pixels;  // negative: the em, not the cell
    lf.lfWeight = desc.weight;
    lf.lfItalic = desc.italic ? TRUE : FALSE;
    lf.lfUnderline = desc.underline ? TRUE : FALSE;
    lf.lfStrikeOut = desc.strikethrough ? TRUE : FALSE;
    lf.lfCharSet = static_cast<BYTE>(desc.charset);
    lf.lfOutPrecision = OUT_TT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    // The classic desktop draws small UI text unsmoothed; larger text is smoothed in grey
    // levels (never per colour channel: the ink is blended in one colour).
    lf.lfQuality =
        pixels <= kLargestUnsmoothedPixels ? NONANTIALIASED_QUALITY : ANTIALIASED_QUALITY;
    if (!face.empty()) {
        face.copy(lf.lfFaceName, std::min<std::size_t>(face.size(), LF_FACESIZE - 1));
        lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    } else {
        lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    }
    return lf;
}

std::shared_ptr<const Font> OpenFont(const FontDesc& desc, std::int32_t dpi) {
    return CachedFont(desc, dpi, [](const FontDesc& asked, std::int32_t scale) {
        return std::shared_ptr<const Font>(std::make_shared<GdiFont>(asked, scale));
    });
}

}  // namespace tivaro::text
