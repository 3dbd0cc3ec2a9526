// The texture renderer on a real device: type checks, the texture formats, and frames of
// the test's own drawn into videoTexture and read back.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/com_ptr_win.h"
#include "scenes/device_objects_win.h"
#include "video/texture_renderer_win.h"
#include "video_test_support.h"

namespace {

class TextureRendererTest : public VideoDeviceTest {
 protected:
  void SetUp() override {
    HRESULT result = E_FAIL;
    renderer_.Reset(new TextureRenderer(nullptr, &result, ShowFrameProducer(NewFrameProducer())));
    ASSERT_EQ(result, S_OK);
  }
  void TearDown() override {
    renderer_.Reset();
    UseTextureFormat(D3DFMT_A8R8G8B8);
  }

  // The renderer's input pin with a reference for the caller, the renderer running; null
  // (and a failure) when either fails.
  IMemInputPin* RunningInput() {
    ComPtr<IPin> pin;
    ComPtr<IMemInputPin> input;
    EXPECT_EQ(renderer_->FindPin(L"In", pin.Receive()), S_OK);
    if (!pin || FAILED(pin->QueryInterface(IID_IMemInputPin, input.ReceiveVoid()))) return nullptr;
    EXPECT_EQ(renderer_->Run(0), S_OK);
    return input.Detach();
  }

  ComPtr<TextureRenderer> renderer_;
};

struct TypeCase {
  const char* what;
  GUID format, major, subtype;
  HRESULT expected;
};

TEST_F(TextureRendererTest, CheckMediaTypeLooksAtFormatThenMajorThenSubtype) {
  const TypeCase cases[] = {
      {"RGB24 video", FORMAT_VideoInfo, MEDIATYPE_Video, MEDIASUBTYPE_RGB24, S_OK},
      {"RGB32 video", FORMAT_VideoInfo, MEDIATYPE_Video, MEDIASUBTYPE_RGB32, E_FAIL},
      {"YUY2 video", FORMAT_VideoInfo, MEDIATYPE_Video, MEDIASUBTYPE_YUY2, E_FAIL},
      {"RGB24 subtype on audio", FORMAT_VideoInfo, MEDIATYPE_Audio, MEDIASUBTYPE_RGB24, E_FAIL},
      {"stream of RGB24", FORMAT_VideoInfo, MEDIATYPE_Stream, MEDIASUBTYPE_RGB24, E_FAIL},
      {"VideoInfo2 block", FORMAT_VideoInfo2, MEDIATYPE_Video, MEDIASUBTYPE_RGB24, E_INVALIDARG},
      {"wave format, not video", FORMAT_WaveFormatEx, MEDIATYPE_Audio, MEDIASUBTYPE_PCM, E_INVALIDARG},
      {"no format, RGB32", FORMAT_None, MEDIATYPE_Video, MEDIASUBTYPE_RGB32, E_INVALIDARG},
  };
  for (const TypeCase& c : cases) {
    VideoType type(320, 240, c.subtype, c.major, c.format);
    EXPECT_EQ(renderer_->CheckMediaType(type.get()), c.expected) << c.what;
  }
  VideoType shortBlock(320, 240);
  shortBlock.get()->cbFormat = sizeof(VIDEOINFOHEADER) - 1;
  EXPECT_EQ(renderer_->CheckMediaType(shortBlock.get()), E_INVALIDARG) << "format block too short";
}

struct FormatCase {
  D3DFORMAT format;
  HRESULT expected;
};

TEST_F(TextureRendererTest, SetMediaTypeAcceptsOnlyTheTwoTextureFormats) {
  const FormatCase cases[] = {
      {D3DFMT_A8R8G8B8, S_OK},
      {D3DFMT_A1R5G5B5, S_OK},
      {D3DFMT_R5G6B5, VFW_E_TYPE_NOT_ACCEPTED},
      {D3DFMT_X8R8G8B8, VFW_E_TYPE_NOT_ACCEPTED},
  };
  for (const FormatCase& c : cases) {
    UseTextureFormat(c.format);
    VideoType type(320, 240);
    EXPECT_EQ(renderer_->SetMediaType(type.get()), c.expected) << "format " << c.format;
    EXPECT_EQ(textureFormat, c.format);
  }
}

// A graph that connects after the run has closed the surface (its thread late from a slow
// file) is refused, whatever the texture, which the run may be letting go of meanwhile.
TEST_F(TextureRendererTest, SetMediaTypeIsRefusedOnceTheSurfaceIsClosed) {
  ReleaseFrameSurface();
  VideoType type(320, 240);
  const HRESULT closed = renderer_->SetMediaType(type.get());
  ReleaseHolder(videoTexture);
  if (frameDC == nullptr) frameDC = CreateCompatibleDC(nullptr);
  ASSERT_TRUE(CreateFrameSurface());
  EXPECT_EQ(closed, E_UNEXPECTED);
  EXPECT_EQ(renderer_->SetMediaType(type.get()), S_OK) << "open again";
}

TEST_F(TextureRendererTest, SetMediaTypeKeepsTheHeaderAndTheHeightsMagnitude) {
  struct {
    int width, height;
  } const sizes[] = {{320, 240}, {720, -576}, {321, 241}, {17, -9}};
  for (const auto& size : sizes) {
    VideoType type(size.width, size.height);
    ASSERT_EQ(renderer_->SetMediaType(type.get()), S_OK);
    EXPECT_EQ(renderer_->videoWidth, size.width);
    EXPECT_EQ(renderer_->videoHeight, size.height < 0 ? -size.height : size.height);
    // The scaler gets the connected header unchanged, sign included.
    EXPECT_EQ(renderer_->videoHeader.biWidth, size.width);
    EXPECT_EQ(renderer_->videoHeader.biHeight, size.height);
    EXPECT_EQ(renderer_->videoHeader.biBitCount, 24);
  }
}

TEST_F(TextureRendererTest, SetMediaTypeWithoutTextureFails) {
  IDirect3DTexture8* kept = videoTexture;
  videoTexture = nullptr;
  VideoType type(320, 240);
  EXPECT_EQ(renderer_->SetMediaType(type.get()), E_UNEXPECTED);
  videoTexture = kept;
}

struct FrameCase {
  D3DFORMAT format;
  int width, height;
  bool topDown;
};

class FrameTest : public TextureRendererTest, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(FrameTest, FourColourPictureLandsBottomLineFirst) {
  const FrameCase c = GetParam();
  UseTextureFormat(c.format);
  VideoType type(c.width, c.topDown ? -c.height : c.height);
  ASSERT_EQ(renderer_->SetMediaType(type.get()), S_OK);
  FillTexture({12, 34, 56});
  TestSample sample(QuadrantsPicture(c.width, c.height, c.topDown));

  ASSERT_EQ(renderer_->DoRenderSample(&sample), S_OK);

  // The scaler keeps flat colours exact (inside each quadrant); only the 16-bit texture
  // rounds to 5 bits.
  ExpectQuadrants(c.format == D3DFMT_A1R5G5B5 ? 7 : 0, "frame");
  const std::vector<Texel> texels = ReadAllTexels();
  ASSERT_EQ(texels.size(), 65536u);
  int transparent = 0;
  for (const Texel& t : texels) transparent += t.opaque ? 0 : 1;
  EXPECT_EQ(transparent, 0) << "every texel is opaque";
}

INSTANTIATE_TEST_SUITE_P(
    Frames, FrameTest,
    ::testing::Values(FrameCase{D3DFMT_A8R8G8B8, 64, 48, false}, FrameCase{D3DFMT_A1R5G5B5, 64, 48, false},
                      FrameCase{D3DFMT_A8R8G8B8, 64, 48, true}, FrameCase{D3DFMT_A1R5G5B5, 64, 48, true},
                      FrameCase{D3DFMT_A8R8G8B8, 321, 241, false}, FrameCase{D3DFMT_A8R8G8B8, 720, 576, true},
                      FrameCase{D3DFMT_A8R8G8B8, 1920, 1080, false}, FrameCase{D3DFMT_A8R8G8B8, 1920, 1080, true}),
    [](const ::testing::TestParamInfo<FrameCase>& info) {
      const FrameCase& c = info.param;
      return std::string(c.format == D3DFMT_A1R5G5B5 ? "A1R5G5B5_" : "A8R8G8B8_") + std::to_string(c.width) + "x" +
             std::to_string(c.height) + (c.topDown ? "_topDown" : "_bottomUp");
    });

TEST_F(TextureRendererTest, ExactWordsInTheSixteenBitTexture) {
  UseTextureFormat(D3DFMT_A1R5G5B5);
  VideoType type(64, 48);
  ASSERT_EQ(renderer_->SetMediaType(type.get()), S_OK);
  TestSample sample(QuadrantsPicture(64, 48, false));
  ASSERT_EQ(renderer_->DoRenderSample(&sample), S_OK);

  D3DLOCKED_RECT locked;
  ASSERT_EQ(videoTexture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  auto word = [&](int x, int y) {
    return *reinterpret_cast<const WORD*>(static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch + 2 * x);
  };
  EXPECT_EQ(word(64, 192), 0xFC00) << "red";
  EXPECT_EQ(word(192, 192), 0x83E0) << "green";
  EXPECT_EQ(word(64, 64), 0x801F) << "blue";
  EXPECT_EQ(word(192, 64), 0xFFFF) << "white";
  videoTexture->UnlockRect(0);
}

TEST_F(TextureRendererTest, ShortSampleIsDroppedBeforeScaling) {
  VideoType type(64, 48);
  ASSERT_EQ(renderer_->SetMediaType(type.get()), S_OK);
  std::vector<BYTE> picture = QuadrantsPicture(64, 48, false);
  const LONG full = LONG(picture.size());
  TestSample sample(std::move(picture));
  FillTexture({12, 34, 56});

  sample.SetLength(full - 1);
  EXPECT_EQ(renderer_->DoRenderSample(&sample), E_FAIL);
  EXPECT_TRUE(Near(ReadTexel(128, 128).color, {12, 34, 56}, 0)) << "the texture keeps its previous frame";

  sample.SetLength(full);
  EXPECT_EQ(renderer_->DoRenderSample(&sample), S_OK);
  EXPECT_TRUE(QuadrantsShown(0));
}

TEST_F(TextureRendererTest, MissingSampleOrTexture) {
  VideoType type(64, 48);
  ASSERT_EQ(renderer_->SetMediaType(type.get()), S_OK);
  EXPECT_EQ(renderer_->DoRenderSample(nullptr), E_POINTER);

  TestSample sample(QuadrantsPicture(64, 48, false));
  IDirect3DTexture8* kept = videoTexture;
  videoTexture = nullptr;
  EXPECT_EQ(renderer_->DoRenderSample(&sample), E_UNEXPECTED);
  videoTexture = kept;
}

TEST_F(TextureRendererTest, TextureStandInFallsBackToSixteenBits) {
  // A8P8 is a format no Direct3D 8 driver of today makes textures in, so the stand-in must
  // take the other format the renderer knows.
  ComPtr<IDirect3DTexture8> texture;
  ASSERT_EQ(CreateTextureWithFallback(d3dDevice, 256, 256, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.Receive()),
            D3D_OK);
  D3DSURFACE_DESC description;
  texture->GetLevelDesc(0, &description);
  EXPECT_EQ(description.Format, D3DFMT_A8R8G8B8);

  D3DDISPLAYMODE mode;
  d3dDevice->GetDisplayMode(&mode);
  ASSERT_TRUE(FAILED(
      direct3D->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, mode.Format, 0, D3DRTYPE_TEXTURE, D3DFMT_A8P8)))
      << "this device makes A8P8 textures; the fallback cannot be seen with it";
  ASSERT_EQ(CreateTextureWithFallback(d3dDevice, 256, 256, 1, 0, D3DFMT_A8P8, D3DPOOL_MANAGED, texture.Receive()),
            D3D_OK);
  texture->GetLevelDesc(0, &description);
  EXPECT_EQ(description.Format, D3DFMT_A1R5G5B5);
  EXPECT_EQ(description.Width, 256u);
  EXPECT_EQ(description.Pool, D3DPOOL_MANAGED);
}

// Only the shown producer's frames reach the texture, and none once the surface is closed.
TEST_F(TextureRendererTest, OnlyTheShownProducerWrites) {
  VideoType type(64, 48);
  ASSERT_EQ(renderer_->SetMediaType(type.get()), S_OK);
  TestSample sample(QuadrantsPicture(64, 48, false));
  HRESULT result = E_FAIL;
  ComPtr<TextureRenderer> hidden(new TextureRenderer(nullptr, &result, NewFrameProducer()));
  ASSERT_EQ(hidden->SetMediaType(type.get()), S_OK);

  FillTexture({12, 34, 56});
  EXPECT_EQ(hidden->DoRenderSample(&sample), S_FALSE);
  EXPECT_TRUE(Near(ReadTexel(128, 128).color, {12, 34, 56}, 0)) << "a hidden producer wrote";
  ASSERT_EQ(renderer_->DoRenderSample(&sample), S_OK);
  ExpectQuadrants(0, "shown");

  ShowFrameProducer(0);
  FillTexture({12, 34, 56});
  EXPECT_EQ(renderer_->DoRenderSample(&sample), S_FALSE);
  EXPECT_TRUE(Near(ReadTexel(128, 128).color, {12, 34, 56}, 0)) << "written while nothing is shown";
}

// A sample may bring a format of its own: drawn by it when the renderer takes it, refused
// whole (format and texture as they were) when not.
TEST_F(TextureRendererTest, AFormatChangeIsTakenWholeOrRefused) {
  VideoType first(64, 48), bigger(320, 240), rgb32(320, 240, MEDIASUBTYPE_RGB32);
  ASSERT_EQ(renderer_->SetMediaType(first.get()), S_OK);
  const ComPtr<IMemInputPin> input(RunningInput());
  ASSERT_TRUE(input);

  FillTexture({12, 34, 56});
  TestSample refused(QuadrantsPicture(320, 240, false));
  refused.BringType(rgb32.get());
  EXPECT_EQ(input->Receive(&refused), VFW_E_TYPE_NOT_ACCEPTED);
  EXPECT_EQ(renderer_->videoWidth, 64);
  EXPECT_TRUE(Near(ReadTexel(128, 128).color, {12, 34, 56}, 0));

  TestSample taken(QuadrantsPicture(320, 240, false));
  taken.BringType(bigger.get());
  EXPECT_EQ(input->Receive(&taken), S_OK);
  EXPECT_EQ(renderer_->videoWidth, 320);
  ExpectQuadrants(0, "the new format's frame");

  renderer_->Stop();
}

// videoTexture's size, and the colour at a share of its width and height from the top left
// of the picture (row 0 is the picture's bottom line).
FrameSize TextureSizeNow() {
  D3DSURFACE_DESC description;
  videoTexture->GetLevelDesc(0, &description);
  return {int32_t(description.Width), int32_t(description.Height)};
}

Rgb PictureColourAt(double across, double down) {
  const FrameSize size = TextureSizeNow();
  D3DLOCKED_RECT locked;
  EXPECT_EQ(videoTexture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  const int x = int(across * size.width), row = size.height - 1 - int(down * size.height);
  const BYTE* texel = static_cast<const BYTE*>(locked.pBits) + row * locked.Pitch + 4 * x;
  const Rgb colour{texel[2], texel[1], texel[0]};
  videoTexture->UnlockRect(0);
  return colour;
}

// The texture follows the shown video within what the scene shows, made again on the main
// thread with the picture carried over; frames in between are drawn at the size in place; a
// device reset keeps it; the standard size comes back when asked for.
TEST_F(TextureRendererTest, TheTextureFollowsTheVideoAndTheScene) {
  VideoType large(640, 480), small(320, 240);
  ASSERT_EQ(renderer_->SetMediaType(large.get()), S_OK);
  const ComPtr<IMemInputPin> input(RunningInput());
  ASSERT_TRUE(input);
  const auto expectQuadrants = [](const char* what) {
    EXPECT_TRUE(Near(PictureColourAt(0.25, 0.25), kRed, 2)) << what;
    EXPECT_TRUE(Near(PictureColourAt(0.75, 0.25), kGreen, 2)) << what;
    EXPECT_TRUE(Near(PictureColourAt(0.25, 0.75), kBlue, 2)) << what;
    EXPECT_TRUE(Near(PictureColourAt(0.75, 0.75), kWhite, 2)) << what;
  };

  TestSample first(QuadrantsPicture(640, 480, false));
  EXPECT_EQ(input->Receive(&first), S_OK);
  EXPECT_EQ(TextureSizeNow(), kStandardFrame) << "made again by the main thread only";
  ASSERT_TRUE(FitFrameSurface({1024, 768}));
  EXPECT_EQ(TextureSizeNow(), (FrameSize{640, 480})) << "no larger than the video";
  expectQuadrants("carried over");
  EXPECT_FALSE(FitFrameSurface({1024, 768})) << "made again for the same size";

  TestSample changed(QuadrantsPicture(320, 240, false));
  changed.BringType(small.get());
  FillTexture({12, 34, 56});
  EXPECT_EQ(input->Receive(&changed), S_OK);
  expectQuadrants("a smaller picture drawn into the texture in place");
  ASSERT_TRUE(FitFrameSurface({1024, 768}));
  EXPECT_EQ(TextureSizeNow(), (FrameSize{320, 256})) << "never below 256 texels";

  ASSERT_EQ(ResetSaverDevice(), D3D_OK);
  EXPECT_EQ(TextureSizeNow(), (FrameSize{320, 256})) << "a reset keeps the texture";
  expectQuadrants("after a reset");

  ASSERT_TRUE(FitFrameSurface({}));
  EXPECT_EQ(TextureSizeNow(), kStandardFrame);
  expectQuadrants("the standard size");
  renderer_->Stop();
}

TEST_F(TextureRendererTest, FrameSurfaceIsMadeAndFreed) {
  // The suite's surface was made by CreateFrameSurface; look at it, free it, make it again.
  EXPECT_EQ(GetCurrentObject(frameDC, OBJ_BITMAP), frameBitmap);
  DIBSECTION section;
  ASSERT_EQ(GetObjectA(frameBitmap, sizeof section, &section), int(sizeof section));
  EXPECT_EQ(section.dsBm.bmBits, frameBits);
  EXPECT_EQ(section.dsBm.bmWidthBytes, 768);
  EXPECT_EQ(section.dsBmih.biHeight, 256) << "bottom-up";

  ReleaseFrameSurface();
  EXPECT_EQ(frameDC, nullptr);
  EXPECT_EQ(frameBitmap, nullptr);
  EXPECT_EQ(drawDib, nullptr);
  EXPECT_EQ(frameBits, nullptr);
  EXPECT_NE(videoTexture, nullptr) << "the texture goes with the device objects";

  ReleaseHolder(videoTexture);
  frameDC = CreateCompatibleDC(nullptr);
  ASSERT_TRUE(CreateFrameSurface());
  D3DSURFACE_DESC description;
  videoTexture->GetLevelDesc(0, &description);
  EXPECT_EQ(description.Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(description.Width, 256u);
  EXPECT_EQ(description.Height, 256u);
  EXPECT_EQ(description.Pool, D3DPOOL_MANAGED);
  EXPECT_EQ(videoTexture->GetLevelCount(), 1u);
}

TEST(TextureRendererClass, ClassIdentifierAndNoAggregation) {
  HRESULT result = E_FAIL;
  ComPtr<TextureRenderer> renderer(new TextureRenderer(nullptr, &result));
  EXPECT_EQ(result, S_OK);
  CLSID id;
  ASSERT_EQ(renderer->GetClassID(&id), S_OK);
  const CLSID expected = {0x71771540, 0x2017, 0x11CF, {0xAE, 0x26, 0x00, 0x20, 0xAF, 0xD7, 0x97, 0x67}};
  EXPECT_TRUE(IsEqualGUID(id, expected));

  ComPtr<TextureRenderer> aggregated(new TextureRenderer(static_cast<IBaseFilter*>(renderer.Get()), &result));
  EXPECT_EQ(result, CLASS_E_NOAGGREGATION);
}

}  // namespace
