#include "render/part_eng.h"

#include <cmath>

#include "app/velkor_b.h"
#include "platform/backend.h"
#include "toolkit/runtime/errors.h"
#include "render/gl_api.h"
#include "render/random.h"

namespace tivaro::render {
namespace {

using rt::StoreF32;

// Half the side of a fragment's square, in world units.
constexpr double kHalfSide = 0.1;
// The length burst velocities are built from.
constexpr double kBurstSpeed = 200.0;
// Timer ticks between two bursts: the 201st tick bursts.
constexpr std::int16_t kTicksPerBurst = 200;

struct Rgb {
    float red;
    float green;
    float blue;
};

// Rows 0..11 go once round the colour wheel, one channel changing by 0.25 per row.
constexpr std::array<Rgb, PaletteTable::kRows> kPaletteColours = {{
    {1.0f, 0.5f, 0.5f},
    {1.0f, 0.75f, 0.5f},
    {1.0f, 1.0f, 0.5f},
    {0.75f, 1.0f, 0.5f},
    {0.5f, 1.0f, 0.5f},
    {0.5f, 1.0f, 0.75f},
    {0.5f, 1.0f, 1.0f},
    {0.5f, 0.75f, 1.0f},
    {0.5f, 0.5f, 1.0f},
    {0.75f, 0.5f, 1.0f},
    {1.0f, 0.5f, 1.0f},
    {1.0f, 0.5f, 0.75f},
}};

// A fresh life span: fadeRate in [0.003, 0.103), so at most 334 frames.
float NewFadeRate(RandomSource& random) {
    return StoreF32(random.Next() * 100.0 / 1000.0 + 0.003);
}

// A palette row picked by a new random value, floor(r * 12).
std::int32_t RandomRow(RandomSource& random) {
    return rt::RoundToI32(std::floor(random.Next() * 12.0));
}

void DrawFragment(const GlApi& gl, const Fragment& f, float zoom) {
    const float zd = StoreF32(static_cast<double>(zoom) + f.posZ);
    const float left = StoreF32(f.posX - kHalfSide);
    const float right = StoreF32(f.posX + kHalfSide);
    const float bottom = StoreF32(f.posY - kHalfSide);
    const float top = StoreF32(f.posY + kHalfSide);
    gl.Color4f(f.red, f.green, f.blue, f.life);
    gl.Begin(GL_QUADS);
    gl.TexCoord2f(0.0f, 0.0f);
    gl.Vertex3f(left, bottom, zd);
    gl.TexCoord2f(1.0f, 0.0f);
    gl.Vertex3f(right, bottom, zd);
    gl.TexCoord2f(1.0f, 1.0f);
    gl.Vertex3f(right, top, zd);
    gl.TexCoord2f(0.0f, 1.0f);
    gl.Vertex3f(left, top, zd);
    gl.End();
}

// One fixed simulation step: move with the old velocity, then accelerate, then fade.
void AdvanceFragment(Fragment& f, float speedDivisor) {
    const double stepDivisor = speedDivisor * 1000.0;
    f.posX = StoreF32(f.posX + rt::Divide(f.velX, stepDivisor));
    f.posY = StoreF32(f.posY + rt::Divide(f.velY, stepDivisor));
    f.posZ = StoreF32(f.posZ + rt::Divide(f.velZ, stepDivisor));
    f.velX = StoreF32(static_cast<double>(f.velX) + f.accX);
    f.velY = StoreF32(static_cast<double>(f.velY) + f.accY);
    f.velZ = StoreF32(static_cast<double>(f.velZ) + f.accZ);
    f.life = StoreF32(static_cast<double>(f.life) - f.fadeRate);
}

}  // namespace

std::size_t PaletteTable::CheckedRow(std::int32_t row) {
    if (row < 0 || row >= kRows) rt::Raise(rt::ErrorNumber::SubscriptOutOfRange);
    return static_cast<std::size_t>(row);
}

void PaletteTable::SetColour(std::int32_t row, float red, float green, float blue) {
    cells_[CheckedRow(row)][0] = red;
    cells_[CheckedRow(row)][1] = green;
    cells_[CheckedRow(row)][2] = blue;
}

float PaletteTable::At(std::int32_t row, std::int32_t column) const {
    if (column < 0 || column > 2) rt::Raise(rt::ErrorNumber::SubscriptOutOfRange);
    return cells_[CheckedRow(row)][static_cast<std::size_t>(column)];
}

void partEngClass::Class_Initialize() {
    textureName = -1;
    zoomTicks = &Velkor_B::ZoomTicks;
}

void partEngClass::RunIndependently(RandomSource& source) {
    random = &source;
    ownTicks = 0;
    zoomTicks = &ownTicks;
}

Fragment& partEngClass::FragmentAt(std::int16_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= fragments.size()) {
        rt::Raise(rt::ErrorNumber::SubscriptOutOfRange);
    }
    return fragments[static_cast<std::size_t>(index)];
}

void partEngClass::Initialize() {
    const std::int16_t count = Velkor_B::FragmentCount;
    if (count < 0) rt::Raise(rt::ErrorNumber::SubscriptOutOfRange);
    fragments.assign(static_cast<std::size_t>(count), Fragment{});
    SetupRenderState();
    speedDivisor = 4.0f;
    zoom = -2.0f;
    for (std::int16_t row = 0; row < PaletteTable::kRows; ++row) {
        const Rgb& c = kPaletteColours[static_cast<std::size_t>(row)];
        SetPaletteColour(row, c.red, c.green, c.blue);
    }
    ResetFragments();
}

void partEngClass::SetupRenderState() {
    const GlApi& gl = Gl();
    gl.ClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    gl.ShadeModel(GL_SMOOTH);
    gl.ClearDepth(1.0);
    gl.BlendFunc(GL_SRC_ALPHA, GL_ONE);  // additive, weighted by each fragment's life
    gl.Hint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    gl.Enable(GL_BLEND);
    gl.Enable(GL_TEXTURE_2D);
}

void partEngClass::SetPaletteColour(const std::int16_t& row, const float& red, const float& green,
                                    const float& blue) {
    palette.SetColour(row, red, green, blue);
}

void partEngClass::ResetFragments() {
    Random().Seed(RunSeed());
    const std::int16_t last = rt::SubI16(Velkor_B::FragmentCount, 1);
    const double perRow = Velkor_B::FragmentCount / 12.0;
    for (std::int16_t i = 0; i <= last; i = rt::AddI16(i, 1)) {
        Fragment& f = FragmentAt(i);
        f.inUse = rt::kTrue;
        f.life = 1.0f;
        f.fadeRate = NewFadeRate(Random());
        const std::int32_t row = rt::RoundToI32(std::floor(rt::Divide(i, perRow)));
        f.red = palette.At(row, 0);
        f.green = palette.At(row, 1);
        f.blue = palette.At(row, 2);
        f.velX = StoreF32((Rnd() * 50.0 - 26.0) * 10.0);
        f.velY = StoreF32((Rnd() * 50.0 - 26.0) * 10.0);
        f.velZ = StoreF32((Rnd() * 50.0 - 26.0) * 10.0);
        f.accX = 0.0f;
        f.accY = -0.8f;
        f.accZ = 0.0f;
    }
}

void partEngClass::RenderAll() {
    DrawFrame();
    platform::Current().SwapBuffers(Velkor_B::glDeviceContext);
}

void partEngClass::DrawFrame() {
    launchBiasX = 0.0f;
    launchBiasY = 20.0f;
    const GlApi& gl = Gl();
    gl.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const std::int16_t last = rt::SubI16(Velkor_B::FragmentCount, 1);
    for (std::int16_t i = 0; i <= last; i = rt::AddI16(i, 1)) {
        Fragment& f = FragmentAt(i);
        DrawFragment(gl, f, zoom);
        AdvanceFragment(f, speedDivisor);
        if (f.life < 0.0f) RespawnFragment(f);  // a life of exactly 0 is drawn once more
    }
}

void partEngClass::RespawnFragment(Fragment& f) {
    f.life = 1.0f;
    f.fadeRate = NewFadeRate(Random());
    f.posX = 0.0f;
    f.posY = 0.0f;
    f.posZ = 0.0f;
    f.velX = StoreF32(Rnd() * 60.0 - 32.0 + launchBiasX);
    f.velY = StoreF32(Rnd() * 60.0 - 32.0 + launchBiasY);
    f.velZ = StoreF32(Rnd() * 60.0 - 32.0);
    f.red = palette.At(paletteIndex, 0);
    f.green = palette.At(paletteIndex, 1);
    f.blue = palette.At(paletteIndex, 2);
}

void partEngClass::Zoom_Rtn() {
    *zoomTicks = rt::AddI16(*zoomTicks, 1);
    if (*zoomTicks > kTicksPerBurst) {
        *zoomTicks = 0;
        const std::int16_t last = rt::SubI16(Velkor_B::FragmentCount, 1);
        for (std::int16_t i = 0; i <= last; i = rt::AddI16(i, 1)) BurstFragment(FragmentAt(i));
        // One of -1.00, -1.01, ..., -2.50: a smaller r brings the camera nearer.
        const float r = Rnd();
        zoom = StoreF32(-(std::floor(r * 151.0 + 100.0) / 100.0));
    }
    paletteIndex = rt::AddI32(paletteIndex, 1);
    if (paletteIndex > PaletteTable::kRows - 1) paletteIndex = 0;
}

// Back to the origin with a speed of at most 200 and a colour mixed from three rows;
// life, fade rate and gravity carry on.
void partEngClass::BurstFragment(Fragment& f) {
    f.posX = 0.0f;
    f.posY = 0.0f;
    f.posZ = 0.0f;
    f.velX = StoreF32((Rnd() * 20.0 - 10.0) * 10.0);
    f.velZ = StoreF32((Rnd() * 20.0 - 10.0) * 10.0);
    const float q = Rnd();
    const double horizontal =
        static_cast<double>(f.velX) * f.velX + static_cast<double>(f.velZ) * f.velZ;
    const double radicand = kBurstSpeed * kBurstSpeed - horizontal;
    if (radicand < 0.0) rt::Raise(rt::ErrorNumber::InvalidProcedureCall);
    f.velY = StoreF32(std::sqrt(radicand) * (2.0 * q - 1.0));
    f.red = palette.At(RandomRow(Random()), 0);
    f.green = palette.At(RandomRow(Random()), 1);
    f.blue = palette.At(RandomRow(Random()), 2);
}

void partEngClass::LoadTexture(forms::PictureHolder& picture) {
    // Read the picture's size in pixels.
    picture.SetScaleMode(forms::ScaleMode::Pixels);
    float h = picture.ScaleHeight();
    float w = picture.ScaleWidth();

    // A picture that is not a power-of-two square is point-sampled to a side S of 16 to
    // 256: the largest power of two not above its mean side.
    const double log2h = Velkor_B::Log2(h);
    if (log2h - std::floor(log2h) != 0.0 || h != w) {
        const auto applySide = [&](float side) {
            h = side;
            w = side;
            picture.SetScaleHeight(side);
            picture.SetScaleWidth(side);
        };
        const std::int32_t s = rt::RoundToI32(static_cast<double>(h) + w);
        for (std::int16_t i = 4; i <= 8; i = rt::AddI16(i, 1)) {
            if (std::exp2(i + 1) <= s && s < std::exp2(i + 2)) {
                applySide(static_cast<float>(std::exp2(i)));
                break;
            }
        }
        const float sum = StoreF32(static_cast<double>(h) + w);
        if (sum > 512.0f) {
            applySide(256.0f);
        } else if (sum < 32.0f) {
            applySide(16.0f);
        }
    }

    // Texel n = X * S + Y: the buffer runs down each column of the picture in turn.
    const std::int32_t byteCount = rt::RoundToI32(static_cast<double>(h) * w * 3.0);
    if (byteCount <= 0) rt::Raise(rt::ErrorNumber::SubscriptOutOfRange);
    struct ReleaseOnExit {
        std::vector<std::uint8_t>& bytes;
        ~ReleaseOnExit() { std::vector<std::uint8_t>().swap(bytes); }
    } release{texelBytes};
    texelBytes.assign(static_cast<std::size_t>(byteCount), 0);
    std::int32_t k = 0;
    const std::int32_t lastX = rt::RoundToI32(static_cast<double>(w) - 1.0);
    for (std::int32_t x = 0; x <= lastX; x = rt::AddI32(x, 1)) {
        const std::int32_t lastY = rt::RoundToI32(static_cast<double>(h) - 1.0);
        for (std::int32_t y = 0; y <= lastY; y = rt::AddI32(y, 1)) {
            const auto c = static_cast<std::uint32_t>(
                picture.Point(static_cast<float>(x), static_cast<float>(y)));
            if (rt::AddI32(k, 2) >= byteCount) rt::Raise(rt::ErrorNumber::SubscriptOutOfRange);
            const auto at = static_cast<std::size_t>(k);
            texelBytes[at] = static_cast<std::uint8_t>(c & 0xFFu);
            texelBytes[at + 1] = static_cast<std::uint8_t>((c >> 8) & 0xFFu);
            texelBytes[at + 2] = static_cast<std::uint8_t>((c >> 16) & 0xFFu);
            k = rt::AddI32(k, 3);
        }
    }

    const std::int32_t width = rt::RoundToI32(w);
    const std::int32_t height = rt::RoundToI32(h);
    const GlApi& gl = Gl();
    GLuint name = 0;
    gl.GenTextures(1, &name);
    textureName = static_cast<std::int32_t>(name);
    gl.BindTexture(GL_TEXTURE_2D, static_cast<GLuint>(textureName));
    gl.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl.TexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(GL_MODULATE));
    gl.TexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLfloat>(GL_LINEAR));
    gl.TexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLfloat>(GL_LINEAR));
    gl.TexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLfloat>(GL_CLAMP));
    gl.TexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLfloat>(GL_CLAMP));
    gl.TexImage2D(GL_TEXTURE_2D, 0, 3, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                  texelBytes.data());
}

}  // namespace tivaro::render
