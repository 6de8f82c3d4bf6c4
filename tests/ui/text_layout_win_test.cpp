// The renderer's text layouts under Windows: which font each letter of a folder name
// is drawn from, and that none of them is drawn as the font's missing-letter box.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ui/renderer_win.h"

namespace vup {
namespace {

// The font and glyph that each character of a laid-out text got.
struct Placed {
  std::wstring family;  // empty when the run's face would not say
  UINT16 glyph = 0;     // 0 is the font's box for a letter it does not have
  bool drawn = false;
};

std::wstring family_of(IDWriteFontFace* face) {
  ComPtr<IDWriteFontFace3> face3;
  ComPtr<IDWriteLocalizedStrings> names;
  if (FAILED(face->QueryInterface(IID_PPV_ARGS(&face3))) || FAILED(face3->GetFamilyNames(&names))) return {};
  UINT32 index = 0;
  BOOL exists = FALSE;
  if (FAILED(names->FindLocaleName(L"en-us", &index, &exists)) || !exists) index = 0;
  UINT32 length = 0;
  if (FAILED(names->GetStringLength(index, &length))) return {};
  std::wstring family(length + 1, L'\0');
  if (FAILED(names->GetString(index, family.data(), length + 1))) return {};
  family.resize(length);
  return family;
}

// A text renderer that draws nothing and writes down, for each character, the font
// face and glyph of the run that holds it.
class GlyphRecorder final : public IDWriteTextRenderer {
 public:
  explicit GlyphRecorder(std::size_t length) : placed(length) {}
  std::vector<Placed> placed;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
    if (id == __uuidof(IUnknown) || id == __uuidof(IDWritePixelSnapping) || id == __uuidof(IDWriteTextRenderer)) {
      *object = static_cast<IDWriteTextRenderer*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // Lives on the test's stack.
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE IsPixelSnappingDisabled(void*, BOOL* disabled) override {
    *disabled = TRUE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetCurrentTransform(void*, DWRITE_MATRIX* transform) override {
    *transform = DWRITE_MATRIX{1, 0, 0, 1, 0, 0};
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPixelsPerDip(void*, FLOAT* pixels) override {
    *pixels = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DrawGlyphRun(void*, FLOAT, FLOAT, DWRITE_MEASURING_MODE, const DWRITE_GLYPH_RUN* run,
                                         const DWRITE_GLYPH_RUN_DESCRIPTION* description, IUnknown*) override {
    const std::wstring family = family_of(run->fontFace);
    for (UINT32 i = 0; i < description->stringLength; ++i) {
      const std::size_t at = description->textPosition + i;
      const UINT16 cluster = description->clusterMap[i];
      if (at >= placed.size() || cluster >= run->glyphCount) continue;
      placed[at] = Placed{family, run->glyphIndices[cluster], true};
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DrawUnderline(void*, FLOAT, FLOAT, const DWRITE_UNDERLINE*, IUnknown*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DrawStrikethrough(void*, FLOAT, FLOAT, const DWRITE_STRIKETHROUGH*, IUnknown*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DrawInlineObject(void*, FLOAT, FLOAT, IDWriteInlineObject*, BOOL, BOOL,
                                             IUnknown*) override {
    return S_OK;
  }
};

std::string narrow(const std::wstring& text) {
  std::string out;
  for (const wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

// The window thread's apartment, which the imaging component needs; it outlives the renderer.
struct Apartment {
  Apartment() { initialised = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
  ~Apartment() {
    if (initialised) CoUninitialize();
  }
  bool initialised = false;
};

class TextLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string failed_step;
    ASSERT_TRUE(renderer_.set_up(GetModuleHandleW(nullptr), failed_step)) << failed_step;
  }

  std::vector<Placed> place(const std::wstring& text, FontKind font) {
    const TextStyle style{font, 16, {}, {}, false, false, 0};
    const ComPtr<IDWriteTextLayout> layout = renderer_.make_layout(text, style, 16, BoxF{0, 0, 2000, 100});
    if (!layout) {
      ADD_FAILURE() << "no layout";
      return {};
    }
    GlyphRecorder recorder(text.size());
    EXPECT_HRESULT_SUCCEEDED(layout->Draw(nullptr, &recorder, 0, 0));
    return recorder.placed;
  }

  Apartment apartment_;
  Renderer renderer_;
};

struct Case {
  const char* what;
  std::wstring text;
  FontKind font;
  const wchar_t* family;  // the family every letter must come from; null: any but ours
};

TEST_F(TextLayoutTest, EveryLetterOfAFolderNameHasAGlyph) {
  const Case cases[] = {
      {"Polish", L"Łódź Zażółć gęślą jaźń", FontKind::regular, L"Fira Sans"},
      {"Russian", L"Игры Ёжик", FontKind::regular, L"Fira Sans"},
      {"Ukrainian", L"Ґанок Їжак", FontKind::semibold, L"Fira Sans"},
      {"Greek", L"Ωμέγα Παιχνίδια", FontKind::regular, L"Fira Sans"},
      {"Vietnamese", L"Trò chơi Việt", FontKind::regular, L"Fira Sans"},
      {"Czech and Turkish", L"Hry Řeka İstanbul Şişli", FontKind::semibold, L"Fira Sans"},
      {"Hebrew in the button's font", L"משחק", FontKind::display, L"Fredoka"},
      {"Chinese, from the system's fonts", L"游戏", FontKind::regular, nullptr},
      {"Japanese, from the system's fonts", L"ゲーム", FontKind::regular, nullptr},
      {"Korean, from the system's fonts", L"게임", FontKind::regular, nullptr},
      {"Arabic, from the system's fonts", L"ألعاب", FontKind::regular, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<Placed> placed = place(c.text, c.font);
    ASSERT_EQ(placed.size(), c.text.size());
    for (std::size_t i = 0; i < placed.size(); ++i) {
      if (c.text[i] == L' ') continue;
      char code[8];
      std::snprintf(code, sizeof code, "%04X", static_cast<unsigned>(c.text[i]));
      SCOPED_TRACE("character " + std::to_string(i) + " U+" + code + " in " + narrow(placed[i].family));
      ASSERT_TRUE(placed[i].drawn);
      EXPECT_NE(placed[i].glyph, 0);
      if (c.family) {
        EXPECT_EQ(placed[i].family, c.family);
      } else {
        EXPECT_NE(placed[i].family, L"Fira Sans");
        EXPECT_NE(placed[i].family, L"Fredoka");
      }
    }
  }
}

}  // namespace
}  // namespace vup
