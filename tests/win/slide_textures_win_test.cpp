// Slide textures against real GDI+ and OpenGL: JPEG files written at test
// time, uploaded into textures of a hidden window's GL context and read back.
#include <windows.h>
#include <GL/gl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "base/win_handle.h"
#include "drawing/gdiplus_objects_win.h"
#include "drawing/overlay_win.h"
#include "drawing/photo_fit.h"
#include "drawing/resource_images_win.h"
#include "slideshow/slide_builder_win.h"
#include "slideshow/slide_textures_win.h"
#include "tests/win/texture_readback_win.h"

namespace {

namespace flat = Gdiplus::DllExports;

constexpr Gdiplus::ARGB kRed = 0xffff0000, kGreen = 0xff00ff00, kBlue = 0xff0000ff, kWhite = 0xffffffff;

bool FindEncoder(const wchar_t* mime, CLSID* clsid) {
  UINT count = 0, bytes = 0;
  if (flat::GdipGetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) return false;
  std::vector<unsigned char> buffer(bytes);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (flat::GdipGetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (std::wstring(codecs[i].MimeType) == mime) {
      *clsid = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

enum Corner { kTopLeft, kTopRight, kBottomLeft, kBottomRight };

// A photo of four flat quadrants, coloured in the order of Corner: by default
// red top-left, green top-right, blue bottom-left, white bottom-right, so any
// flip or mirror shows.
bool WriteQuadrantJpeg(const std::wstring& path, int width, int height,
                       const Gdiplus::ARGB (&colours)[4] = {kRed, kGreen, kBlue, kWhite}) {
  CLSID jpeg;
  if (!FindEncoder(L"image/jpeg", &jpeg)) return false;
  GdiplusBitmap bitmap = GdiplusBitmap::Create(width, height, PixelFormat24bppRGB);
  GdiplusGraphics graphics = GdiplusGraphics::FromImage(bitmap.image());
  const int half_w = width / 2, half_h = height / 2;
  const struct {
    Gdiplus::ARGB colour;
    int x, y, w, h;
  } quadrants[] = {{colours[kTopLeft], 0, 0, half_w, half_h},
                   {colours[kTopRight], half_w, 0, width - half_w, half_h},
                   {colours[kBottomLeft], 0, half_h, half_w, height - half_h},
                   {colours[kBottomRight], half_w, half_h, width - half_w, height - half_h}};
  for (const auto& q : quadrants) {
    const GdiplusSolidBrush brush = GdiplusSolidBrush::Create(q.colour);
    graphics.FillRectangle(brush.brush(), q.x, q.y, q.w, q.h);
  }
  if (graphics.status() != Gdiplus::Ok) return false;
  return flat::GdipSaveImageToFile(bitmap.image(), path.c_str(), &jpeg, nullptr) == Gdiplus::Ok;
}

// Fine detail that a shrink without averaging turns into stripes: columns
// one pixel wide, black and white in turn, stored losslessly.
bool WriteStripesPng(const std::wstring& path, int width, int height) {
  CLSID png;
  if (!FindEncoder(L"image/png", &png)) return false;
  GdiplusBitmap bitmap = GdiplusBitmap::Create(width, height, PixelFormat24bppRGB);
  GdiplusGraphics graphics = GdiplusGraphics::FromImage(bitmap.image());
  const GdiplusSolidBrush white = GdiplusSolidBrush::Create(kWhite);
  for (int x = 0; x < width; x += 2) graphics.FillRectangle(white.brush(), x, 0, 1, height);
  if (graphics.status() != Gdiplus::Ok) return false;
  return flat::GdipSaveImageToFile(bitmap.image(), path.c_str(), &png, nullptr) == Gdiplus::Ok;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::string ReadBytes(const std::wstring& path) {
  const FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  std::string bytes(file ? GetFileSize(file.get(), nullptr) : 0, '\0');
  DWORD read = 0;
  if (!bytes.empty()) ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  bytes.resize(read);
  return bytes;
}

// A 64 x 48 photo as a camera stores it: grey, with a red and a green
// quadrant in the given corners, and right after its start an Exif segment
// whose only entry is `orientation` (no segment for 0).
bool WriteCameraJpeg(const std::wstring& path, int orientation, Corner red, Corner green) {
  constexpr Gdiplus::ARGB kGrey = 0xff808080;
  Gdiplus::ARGB colours[4] = {kGrey, kGrey, kGrey, kGrey};
  colours[red] = kRed;
  colours[green] = kGreen;
  if (!WriteQuadrantJpeg(path, 64, 48, colours)) return false;
  std::string jpeg = ReadBytes(path);
  if (jpeg.size() < 2 || jpeg.compare(0, 2, "\xff\xd8") != 0) return false;
  if (orientation == 0) return true;
  const std::string body = std::string("Exif\0\0MM\0\x2a\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0", 25) +
                           static_cast<char>(orientation) + std::string(6, '\0');
  const std::string segment = std::string("\xff\xe1\0", 3) + static_cast<char>(body.size() + 2) + body;
  WriteBytes(path, jpeg.insert(2, segment));
  return true;
}

class SlideTextures : public GlCanvasTest {
 protected:
  void SetUp() override {
    GlCanvasTest::SetUp();
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    folder_ = std::wstring(base) + L"velmora-textures-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder_.c_str(), nullptr);
    glGenTextures(2, textures_);
  }
  void TearDown() override {
    glDeleteTextures(2, textures_);
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder_ + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
      do DeleteFileW((folder_ + L"\\" + found.cFileName).c_str());
      while (FindNextFileW(find, &found));
      FindClose(find);
    }
    RemoveDirectoryW(folder_.c_str());
  }

  std::wstring Path(const wchar_t* name) const { return folder_ + L"\\" + name; }

  std::wstring folder_;
  GLuint textures_[2] = {};
};

TEST_F(SlideTextures, PhotosAreFittedCentredOnBlack) {
  const struct {
    int pixel_width, pixel_height;
    float slot_width, slot_height;
  } cases[] = {
      {3000, 2000, 2048.0f, 2000.0f / (3000.0f / 2048.0f)},
      {1024, 768, 1024.0f, 768.0f},
      {2048, 4096, 1024.0f, 2048.0f},
  };
  int slot = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.pixel_width << " x " << c.pixel_height << " in slot " << slot);
    const std::wstring path = Path((std::to_wstring(c.pixel_width) + L"x" + std::to_wstring(c.pixel_height) + L".jpg").c_str());
    ASSERT_TRUE(WriteQuadrantJpeg(path, c.pixel_width, c.pixel_height));

    const SlideSize size = LoadPhotoTexture(path.c_str(), textures_[slot]);

    EXPECT_FLOAT_EQ(size.width, c.slot_width);
    EXPECT_FLOAT_EQ(size.height, c.slot_height);

    const TexturePixels texture = ReadTexture(textures_[slot]);
    ASSERT_EQ(texture.width, kTextureSize);
    ASSERT_EQ(texture.height, kTextureSize);
    const PhotoFit fit = FitPhoto(c.pixel_width, c.pixel_height);
    // A quarter of the way into each quadrant, well away from JPEG's blur at the seams.
    const int left = fit.x + fit.w / 4, right = fit.x + fit.w * 3 / 4;
    const int top = fit.y + fit.h / 4, bottom = fit.y + fit.h * 3 / 4;
    struct Probe {
      int x, y;
      Gdiplus::ARGB colour;
    };
    std::vector<Probe> probes = {
        {left, top, kRed},
        {right, top, kGreen},
        {left, bottom, kBlue},
        {right, bottom, kWhite},
        // Just inside the picture's corners.
        {fit.x + 3, fit.y + 3, kRed},
        {fit.x + fit.w - 4, fit.y + fit.h - 4, kWhite},
    };
    // The black margin, four texels outside the picture, where there is one.
    if (fit.x > 0) probes.insert(probes.end(), {{fit.x - 4, top, 0xff000000}, {fit.x + fit.w + 4, bottom, 0xff000000}});
    if (fit.y > 0) probes.insert(probes.end(), {{left, fit.y - 4, 0xff000000}, {right, fit.y + fit.h + 4, 0xff000000}});
    for (const auto& p : probes) {
      const Rgb seen = texture.AtCanvas(p.x, p.y);
      EXPECT_TRUE(Near(seen, ToRgb(p.colour))) << "at (" << p.x << ", " << p.y << "): " << Show(seen);
    }
    // The texture is filtered without mipmaps.
    GLint min_filter = 0, mag_filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min_filter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag_filter);
    EXPECT_EQ(min_filter, GL_LINEAR);
    EXPECT_EQ(mag_filter, GL_LINEAR);
    slot = 1 - slot;
  }
}

TEST_F(SlideTextures, PhotosStandAsTheirExifOrientationSays) {
  // The corners where the camera stored what must show top-left (red) and
  // top-right (green).
  const struct {
    int orientation;
    Corner red, green;
  } cases[] = {
      {0, kTopLeft, kTopRight},  // no Exif segment
      {1, kTopLeft, kTopRight},
      {2, kTopRight, kTopLeft},
      {3, kBottomRight, kBottomLeft},
      {4, kBottomLeft, kBottomRight},
      {5, kTopLeft, kBottomLeft},
      {6, kBottomLeft, kTopLeft},
      {7, kBottomRight, kTopRight},
      {8, kTopRight, kBottomRight},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "orientation " << c.orientation);
    const std::wstring path = Path((L"camera" + std::to_wstring(c.orientation) + L".jpg").c_str());
    ASSERT_TRUE(WriteCameraJpeg(path, c.orientation, c.red, c.green));

    const SlideSize size = LoadPhotoTexture(path.c_str(), textures_[0]);

    const bool sideways = c.orientation >= 5;
    EXPECT_EQ(size.width, sideways ? 48.0f : 64.0f);
    EXPECT_EQ(size.height, sideways ? 64.0f : 48.0f);
    const TexturePixels texture = ReadTexture(textures_[0]);
    const PhotoFit fit = FitPhoto(static_cast<uint32_t>(size.width), static_cast<uint32_t>(size.height));
    const int left = fit.x + fit.w / 4, right = fit.x + fit.w * 3 / 4;
    const int top = fit.y + fit.h / 4, bottom = fit.y + fit.h * 3 / 4;
    const struct {
      int x, y;
      Gdiplus::ARGB colour;
    } probes[] = {{left, top, kRed}, {right, top, kGreen}, {left, bottom, 0xff808080}, {right, bottom, 0xff808080}};
    for (const auto& p : probes) {
      const Rgb seen = texture.AtCanvas(p.x, p.y);
      EXPECT_TRUE(Near(seen, ToRgb(p.colour))) << "at (" << p.x << ", " << p.y << "): " << Show(seen);
    }
  }
}

// Lightest minus darkest grey along the middle row of the picture.
int StripeAmplitude(const TexturePixels& texture, const PhotoFit& fit) {
  int lo = 255, hi = 0;
  for (int x = fit.x + 8; x < fit.x + fit.w - 8; ++x) {
    const int grey = texture.AtCanvas(x, fit.y + fit.h / 2).g;
    lo = std::min(lo, grey);
    hi = std::max(hi, grey);
  }
  return hi - lo;
}

TEST_F(SlideTextures, ShrunkPhotosAverageFineDetail) {
  // Shrunk about 2.07 times, like a 12-megapixel photo: each texel covers a
  // little more than one black and one white column, so it must come out
  // mid-grey. GDI+'s default drawing, for comparison, on the same canvas.
  const std::wstring path = Path(L"stripes.png");
  ASSERT_TRUE(WriteStripesPng(path, 4243, 600));
  const PhotoFit fit = FitPhoto(4243, 600);

  LoadPhotoTexture(path.c_str(), textures_[0]);
  const TexturePixels ours = ReadTexture(textures_[0]);

  GdiplusImage image = LoadImageFile(path.c_str());
  Canvas canvas = CreateCanvas();
  canvas.graphics.DrawImageRect(image.get(), fit.x, fit.y, fit.w, fit.h);
  UploadBitmap(canvas.bitmap, textures_[1]);
  const TexturePixels gdiplus = ReadTexture(textures_[1]);

  const int amplitude = StripeAmplitude(ours, fit);
  EXPECT_LE(amplitude, 16) << "stripes left after the shrink";
  EXPECT_LE(amplitude, StripeAmplitude(gdiplus, fit));
  const Rgb middle = ours.AtCanvas(fit.x + fit.w / 2, fit.y + fit.h / 2);
  EXPECT_TRUE(Near(middle, {128, 128, 128}, 12)) << Show(middle);
}

TEST_F(SlideTextures, BuilderThreadBuildsWhatTheMainThreadBuilds) {
  const std::wstring path = Path(L"photo.jpg");
  ASSERT_TRUE(WriteQuadrantJpeg(path, 3000, 2000));
  const SlideSize here = LoadPhotoTexture(path.c_str(), textures_[0]);
  const TexturePixels expected = ReadTexture(textures_[0]);

  SlideBuildLane builds(SharedSlideBuilders());
  ASSERT_TRUE(builds.Start({SlideKind::Photo, path, {}}));
  EXPECT_FALSE(builds.Start({SlideKind::Photo, path, {}})) << "a second build while one is unfinished";
  // Not a timing: the bound only keeps a lost build from hanging the test.
  std::optional<SlideSize> built;
  for (int polls = 0; polls < 6000 && !built; ++polls) {
    built = FinishSlideBuild(builds, textures_[1]);
    if (!built) Sleep(5);
  }
  ASSERT_TRUE(built.has_value());
  EXPECT_FALSE(SharedSlideBuilders().Busy());
  EXPECT_FALSE(FinishSlideBuild(builds, textures_[1])) << "one build finished twice";
  EXPECT_FLOAT_EQ(built->width, here.width);
  EXPECT_FLOAT_EQ(built->height, here.height);
  EXPECT_TRUE(ReadTexture(textures_[1]).rgba == expected.rgba);

  // The next build starts once the last one is collected.
  ASSERT_TRUE(builds.Start({SlideKind::Photo, L"", {}}));
  built.reset();
  for (int polls = 0; polls < 6000 && !built; ++polls) {
    built = FinishSlideBuild(builds, textures_[1]);
    if (!built) Sleep(5);
  }
  ASSERT_TRUE(built.has_value());
  EXPECT_EQ(built->width, 0.0f);
  EXPECT_EQ(ReadTexture(textures_[1]).MaxChannel(), 0);
}

TEST_F(SlideTextures, UndecodablePhotosGiveAnEmptySlotAndBlack) {
  const std::wstring photo = Path(L"photo.jpg");
  ASSERT_TRUE(WriteQuadrantJpeg(photo, 640, 480));
  const std::wstring text = Path(L"notes.jpg");
  WriteBytes(text, "this is not a picture\r\n");
  const std::wstring truncated = Path(L"empty.jpg");
  WriteBytes(truncated, "");
  const std::wstring missing = Path(L"missing.jpg");

  const struct {
    const char* name;
    const wchar_t* path;
  } cases[] = {{"text", text.c_str()}, {"empty file", truncated.c_str()}, {"missing", missing.c_str()},
               {"no path", nullptr}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // A real photo first, so a build that stopped early would leave it behind.
    ASSERT_FLOAT_EQ(LoadPhotoTexture(photo.c_str(), textures_[1]).width, 640.0f);
    ASSERT_GT(ReadTexture(textures_[1]).MaxChannel(), 200);

    const SlideSize size = LoadPhotoTexture(c.path, textures_[1]);

    EXPECT_EQ(size.width, 0.0f);
    EXPECT_EQ(size.height, 0.0f);
    const TexturePixels texture = ReadTexture(textures_[1]);
    EXPECT_EQ(texture.width, kTextureSize);
    EXPECT_EQ(texture.MaxChannel(), 0);
  }
}

// Photos that odd_photos.py writes with Pillow into odd-photos beside this
// program, as Pillow (with LittleCMS for the profiled ones) shows them: every
// layout and profile drawn as another decoder draws it, refused headers black.
TEST_F(SlideTextures, PhotosFromOtherCamerasAndEditorsShowAsAnotherDecoderShowsThem) {
  wchar_t program[MAX_PATH] = {};
  const std::wstring folder(program, GetModuleFileNameW(nullptr, program, MAX_PATH));
  const std::wstring photos = folder.substr(0, folder.rfind(L'\\')) + L"\\odd-photos\\";
  std::istringstream expected(ReadBytes(photos + L"expected.txt"));
  int count = 0;
  for (std::string name; expected >> name; ++count) {
    SCOPED_TRACE(name);
    float width = 0, height = 0;
    expected >> width >> height;
    const SlideSize size = LoadPhotoTexture((photos + std::wstring(name.begin(), name.end())).c_str(), textures_[0]);
    EXPECT_EQ(size.width, width);
    EXPECT_EQ(size.height, height);
    const TexturePixels texture = ReadTexture(textures_[0]);
    if (width == 0) EXPECT_EQ(texture.MaxChannel(), 0);
    const PhotoFit fit = FitPhoto(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    for (int q = 0; q < 4 && width > 0; ++q) {
      std::string hex;
      expected >> hex;
      const Rgb seen = texture.AtCanvas(fit.x + (2 * (q % 2) + 1) * fit.w / 4, fit.y + (2 * (q / 2) + 1) * fit.h / 4);
      // Pillow's 8-bit transforms and the colour engine's 16-bit ones differ
      // by up to 9 on a press profile's table.
      EXPECT_TRUE(Near(seen, ToRgb(std::stoul(hex, nullptr, 16)), 10)) << q << ": " << Show(seen) << " not " << hex;
    }
  }
  EXPECT_EQ(count, 14);
}

TEST_F(SlideTextures, CanvasUploadKeepsRowsBottomUp) {
  // An overlay builder's canvas: a red band along the canvas's top edge.
  Canvas canvas = CreateCanvas();
  const GdiplusSolidBrush red = GdiplusSolidBrush::Create(kRed);
  canvas.graphics.FillRectangle(red.brush(), 0, 0, kTextureSize, 16);
  ASSERT_EQ(canvas.graphics.status(), Gdiplus::Ok);

  UploadBitmap(canvas.bitmap, textures_[0]);

  const TexturePixels texture = ReadTexture(textures_[0]);
  ASSERT_EQ(texture.width, kTextureSize);
  // The texture's last row is the canvas's top row.
  const size_t last_row = static_cast<size_t>(kTextureSize - 1) * kTextureSize * 4;
  EXPECT_TRUE(Near({texture.rgba[last_row], texture.rgba[last_row + 1], texture.rgba[last_row + 2]}, ToRgb(kRed)));
  EXPECT_TRUE(Near({texture.rgba[0], texture.rgba[1], texture.rgba[2]}, {0, 0, 0}));
  // Drawn as a slide, the overlay's texture must not be see-through.
  EXPECT_EQ(texture.rgba[last_row + 3], 255);
}

// A driver whose limit is below the slot's side (a remote session's basic
// renderer), stood in for by a smaller limit: the canvas is averaged down to
// it, never a white box. Red on top; below, white and black columns in turn.
TEST_F(SlideTextures, UploadsNeverExceedTheDriversLimit) {
  std::vector<uint32_t> texels(kCanvasTexels);
  for (size_t i = 0; i < kCanvasTexels; ++i)
    texels[i] = i >= kCanvasTexels / 2 ? 0xffff0000 : (i % 2 != 0 ? 0xffffffff : 0xff000000);
  for (const int limit : {1024, 64}) {
    const SlideSize size = UploadSlideCanvas(texels.data(), OverlayFit(kTextureSize, kTextureSize), textures_[0], limit);
    EXPECT_EQ(size.texture_side, limit);
    EXPECT_FLOAT_EQ(size.width, static_cast<float>(limit));
    const TexturePixels texture = ReadTexture(textures_[0]);
    ASSERT_EQ(texture.width, limit);
    EXPECT_TRUE(Near(texture.AtCanvas(limit / 2, limit / 4), ToRgb(kRed), 2)) << limit;
    EXPECT_TRUE(Near(texture.AtCanvas(limit / 2, 3 * limit / 4), {128, 128, 128}, 2)) << limit;
  }
}

TEST_F(SlideTextures, FailedCanvasStillUploadsBlack) {
  // A canvas that could not be created must not leave the texture without an
  // image (it would draw white) or with the previous slide.
  LoadPhotoTexture(nullptr, textures_[0]);
  Canvas filled = CreateCanvas();
  const GdiplusSolidBrush white = GdiplusSolidBrush::Create(kWhite);
  filled.graphics.FillRectangle(white.brush(), 0, 0, kTextureSize, kTextureSize);
  UploadBitmap(filled.bitmap, textures_[0]);
  ASSERT_EQ(ReadTexture(textures_[0]).MaxChannel(), 255);

  GdiplusBitmap failed;
  UploadBitmap(failed, textures_[0]);

  EXPECT_NE(failed.status(), Gdiplus::Ok);
  const TexturePixels texture = ReadTexture(textures_[0]);
  EXPECT_EQ(texture.width, kTextureSize);
  EXPECT_EQ(texture.MaxChannel(), 0);
}

TEST_F(SlideTextures, TextFontSurvivesMissingFamilies) {
  // This prefix may or may not have the families installed; either way the
  // call returns, and text appears exactly when there is a font.
  for (const float size : {20.0f, 35.0f, 75.0f}) {
    SCOPED_TRACE(size);
    const GdiplusFont font = CreateTextFont(size);
    Canvas canvas = CreateCanvas();
    const GdiplusSolidBrush white = GdiplusSolidBrush::Create(kWhite);
    const GdiplusStringFormat format = GdiplusStringFormat::Create();
    canvas.graphics.DrawString(L"Weather in Hollin", font, Gdiplus::RectF(0, 0, 2048, 400), format, white.brush());
    int lit = 0;
    for (int y = 0; y < 200; y += 2)
      for (int x = 0; x < 600; x += 2) lit += (Pixel(canvas.bitmap, x, y) & 0xffffff) != 0;
    if (font.valid()) {
      EXPECT_EQ(canvas.graphics.status(), Gdiplus::Ok);
      EXPECT_GT(lit, 0);
    } else {
      EXPECT_NE(canvas.graphics.status(), Gdiplus::Ok);
      EXPECT_EQ(lit, 0);
    }
  }
  // Whatever the fonts, missing families are reported, not thrown or crashed on.
  const GdiplusFontFamily absent = GdiplusFontFamily::FromName(L"No Such Family Velmora");
  EXPECT_FALSE(absent.valid());
  EXPECT_EQ(absent.status(), Gdiplus::FontFamilyNotFound);
  const GdiplusFont no_font = GdiplusFont::Create(absent, 35, Gdiplus::FontStyleRegular, Gdiplus::UnitPoint);
  EXPECT_FALSE(no_font.valid());
}

TEST(FormatText, FormatsAndCutsAtTheBuffer) {
  const std::wstring long_name(300, L'x');
  struct Guarded {
    wchar_t text[kTextBufferSize];
    wchar_t guard[8];
  };
  const struct {
    const char* name;
    std::wstring expected;
    void (*format)(wchar_t (&)[kTextBufferSize], const std::wstring&);
  } cases[] = {
      {"wide string argument", L"Weather in Hollin",
       [](wchar_t(&b)[kTextBufferSize], const std::wstring&) { FormatText(b, L"Weather in %s", L"Hollin"); }},
      {"temperature", L"-12\u00b0 C",
       [](wchar_t(&b)[kTextBufferSize], const std::wstring&) { FormatText(b, L"%d\u00b0 %c", -12, L'C'); }},
      {"clock", L"Sunrise: 7:05, sunset: 16:48",
       [](wchar_t(&b)[kTextBufferSize], const std::wstring&) {
         FormatText(b, L"Sunrise: %d:%02d, sunset: %d:%02d", 7, 5, 16, 48);
       }},
      {"exactly 99 characters", std::wstring(99, L'x'),
       [](wchar_t(&b)[kTextBufferSize], const std::wstring& s) { FormatText(b, L"%s", s.substr(0, 99).c_str()); }},
      {"100 characters are cut", std::wstring(99, L'x'),
       [](wchar_t(&b)[kTextBufferSize], const std::wstring& s) { FormatText(b, L"%s", s.substr(0, 100).c_str()); }},
      {"far too long", L"New version " + std::wstring(87, L'x'),
       [](wchar_t(&b)[kTextBufferSize], const std::wstring& s) {
         FormatText(b, L"New version %s is available!", s.c_str());
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Guarded buffer;
    for (wchar_t& ch : buffer.text) ch = L'#';
    for (wchar_t& ch : buffer.guard) ch = L'!';
    c.format(buffer.text, long_name);
    EXPECT_EQ(std::wstring(buffer.text), c.expected);
    EXPECT_EQ(std::wstring(buffer.guard, 8), std::wstring(8, L'!'));
  }
}

// A slide build the exit does not wait for may still draw a cached image, so
// whatever holds the table has no destructor to run at exit.
static_assert(std::is_trivially_destructible_v<std::remove_reference_t<decltype(ResourceImageTable)>>);

TEST_F(SlideTextures, ResourceImagesAreFoundOnceAndCached) {
  // The table: 31 rows of "PNG", the weather icons then the warning icon, ended by id 0.
  int rows = 0;
  while (ResourceImageTable[rows].id > 0) {
    EXPECT_EQ(std::wstring(ResourceImageTable[rows].type), L"PNG");
    EXPECT_EQ(ResourceImageTable[rows].id, rows < 30 ? 2000 + rows : 2100);
    ++rows;
  }
  EXPECT_EQ(rows, kResourceImageRows);

  // Not in the table, in the table but not embedded, embedded but no picture.
  for (const int id : {1999, 0, -1, 2030, 2000, 2001}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(GetResourceImage(id), nullptr);
  }

  GdiplusImage* icon = GetResourceImage(2100);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->Width(), 6u);
  EXPECT_EQ(icon->Height(), 4u);
  Gdiplus::GpImage* decoded = icon->get();
  // Drawn after a later build: still the same decoded image, still readable
  // through its stream.
  ASSERT_EQ(GetResourceImage(2100), icon);
  EXPECT_EQ(icon->get(), decoded);
  Canvas canvas = CreateCanvas();
  canvas.graphics.DrawImage(icon->get(), 10.0f, 20.0f);
  EXPECT_EQ(canvas.graphics.status(), Gdiplus::Ok);
  // The opaque red corner pixel and a half-transparent green one over black.
  EXPECT_TRUE(Near(ToRgb(Pixel(canvas.bitmap, 10, 20)), ToRgb(kRed)));
  EXPECT_TRUE(Near(ToRgb(Pixel(canvas.bitmap, 12, 21)), {0, 128, 0}));

  ReleaseResourceImages();
  EXPECT_FALSE(ResourceImageTable[30].cached.image.valid());
  EXPECT_NE(GetResourceImage(2100), nullptr);
}

TEST_F(SlideTextures, WrappersRecordFailuresAndMoveOwnership) {
  GdiplusGraphics none;
  const GdiplusSolidBrush brush = GdiplusSolidBrush::Create(kRed);
  none.FillRectangle(brush.brush(), 0, 0, 10, 10);
  EXPECT_EQ(none.status(), Gdiplus::InvalidParameter);

  Canvas canvas = CreateCanvas();
  canvas.graphics.DrawImageRect(nullptr, 0, 0, 10, 10);
  // A later success keeps the failure on record.
  canvas.graphics.FillRectangle(brush.brush(), 0, 0, 10, 10);
  EXPECT_EQ(canvas.graphics.status(), Gdiplus::InvalidParameter);
  EXPECT_EQ(Pixel(canvas.bitmap, 5, 5), kRed);

  GdiplusSolidBrush first = GdiplusSolidBrush::Create(kBlue);
  Gdiplus::GpSolidFill* native = first.get();
  GdiplusSolidBrush second = std::move(first);
  EXPECT_EQ(first.get(), nullptr);
  EXPECT_EQ(second.get(), native);
  second = GdiplusSolidBrush::Create(kGreen);
  canvas.graphics.FillRectangle(second.brush(), 20, 20, 10, 10);
  EXPECT_EQ(Pixel(canvas.bitmap, 25, 25), kGreen);
}

TEST_F(SlideTextures, GradientsAndCurvesDrawOnTheCanvas) {
  Canvas canvas = CreateCanvas();
  canvas.graphics.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
  const Gdiplus::RectF column(100, 200, 300, 1000);
  const GdiplusLinearGradient sky = GdiplusLinearGradient::Create(column, 0xff6698da, 0xff001030,
                                                                  Gdiplus::LinearGradientModeVertical,
                                                                  Gdiplus::WrapModeTile);
  canvas.graphics.FillRectangle(sky.brush(), column.X, column.Y, column.Width, column.Height);
  const GdiplusPen pen = GdiplusPen::Create(0xffe0d080, 5);
  const Gdiplus::PointF points[] = {{600, 500}, {800, 450}, {1000, 500}, {1200, 550}, {1400, 500}};
  canvas.graphics.DrawCurve(pen, points, 5);
  EXPECT_EQ(canvas.graphics.status(), Gdiplus::Ok);

  EXPECT_TRUE(Near(ToRgb(Pixel(canvas.bitmap, 250, 202)), ToRgb(0xff6698da), 12));
  EXPECT_TRUE(Near(ToRgb(Pixel(canvas.bitmap, 250, 1197)), ToRgb(0xff001030), 12));
  EXPECT_TRUE(Near(ToRgb(Pixel(canvas.bitmap, 250, 1300)), {0, 0, 0}, 0));
  EXPECT_TRUE(Near(ToRgb(Pixel(canvas.bitmap, 1000, 500)), ToRgb(0xffe0d080)));
  EXPECT_TRUE(Near(ToRgb(Pixel(canvas.bitmap, 1000, 520)), {0, 0, 0}, 0));
}

}  // namespace
