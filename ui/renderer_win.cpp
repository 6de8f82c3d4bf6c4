// Windows: Direct2D, DirectWrite and WIC behind the canvas.
#include "ui/renderer_win.h"

#include "ui/art_table.h"
#include "ui/dpi.h"

namespace vup {
namespace {

struct FontResource {
  const wchar_t* resource;
  const wchar_t* family;
  DWRITE_FONT_WEIGHT weight;
};

constexpr FontResource font_resources[] = {
    {L"FIRASANS_REGULAR_TTF", L"Fira Sans", DWRITE_FONT_WEIGHT_REGULAR},
    {L"FIRASANS_SEMIBOLD_TTF", L"Fira Sans", DWRITE_FONT_WEIGHT_SEMI_BOLD},
    {L"FREDOKA_TTF", L"Fredoka", DWRITE_FONT_WEIGHT_SEMI_BOLD},
};

const FontResource& font_of(FontKind kind) {
  switch (kind) {
    case FontKind::semibold: return font_resources[1];
    case FontKind::display: return font_resources[2];
    default: return font_resources[0];
  }
}

// The bytes of a raw-data resource; empty when it is missing or empty. Resource
// memory lives as long as the module.
std::pair<const void*, DWORD> resource_bytes(HINSTANCE instance, const wchar_t* name) {
  HRSRC found = FindResourceW(instance, name, MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!found) return {nullptr, 0};
  const DWORD size = SizeofResource(instance, found);
  HGLOBAL loaded = LoadResource(instance, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes || size == 0) return {nullptr, 0};
  return {bytes, size};
}

std::wstring widen_utf8(std::string_view text) {
  if (text.empty() || text.size() > 0x7fffffff) return {};
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

D2D1_COLOR_F to_d2d(const ColorF& c) { return D2D1::ColorF(c.r, c.g, c.b, c.a); }

}  // namespace

Renderer::~Renderer() {
  fonts_.Reset();
  if (dwrite_ && font_loader_) dwrite_->UnregisterFontFileLoader(font_loader_.Get());
}

bool Renderer::set_up(HINSTANCE instance, std::string& failed_step) {
  if (FAILED(D2D1CreateFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, d2d_.GetAddressOf()))) {
    failed_step = "Direct2D";
    return false;
  }
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&wic_)))) {
    failed_step = "the imaging component";
    return false;
  }
  if (FAILED(DWriteCreateFactory(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory5),
                                 reinterpret_cast<IUnknown**>(dwrite_.GetAddressOf())))) {
    failed_step = "DirectWrite 5";
    return false;
  }
  if (!load_fonts(instance)) {
    failed_step = "the fonts";
    return false;
  }
  if (!load_art(instance)) {
    failed_step = "the art";
    return false;
  }
  return true;
}

bool Renderer::load_fonts(HINSTANCE instance) {
  if (FAILED(dwrite_->CreateInMemoryFontFileLoader(&font_loader_))) return false;
  if (FAILED(dwrite_->RegisterFontFileLoader(font_loader_.Get()))) {
    font_loader_.Reset();
    return false;
  }
  ComPtr<IDWriteFontSetBuilder1> builder;
  if (FAILED(dwrite_->CreateFontSetBuilder(&builder))) return false;
  for (const FontResource& font : font_resources) {
    const auto [bytes, size] = resource_bytes(instance, font.resource);
    if (!bytes) return false;
    ComPtr<IDWriteFontFile> file;
    if (FAILED(font_loader_->CreateInMemoryFontFileReference(dwrite_.Get(), bytes, size, nullptr, &file))) {
      return false;
    }
    if (FAILED(builder->AddFontFile(file.Get()))) return false;
  }
  ComPtr<IDWriteFontSet> set;
  if (FAILED(builder->CreateFontSet(&set))) return false;
  if (FAILED(dwrite_->CreateFontCollectionFromFontSet(set.Get(), &fonts_))) return false;
  // Our fonts have the letters of Europe's languages and Vietnamese; a folder named in
  // Chinese, Japanese or Arabic takes its letters from the system's fonts. Without a
  // fallback those letters are boxes, which is no reason to refuse the window.
  if (FAILED(dwrite_->GetSystemFontFallback(&fallback_))) fallback_.Reset();
  return true;
}

bool Renderer::load_art(HINSTANCE instance) {
  for (const ArtPiece& piece : art_pieces) {
    for (const bool double_size : {false, true}) {
      const std::wstring resource = widen_utf8(art_resource_name(piece.name, double_size));
      const auto [bytes, size] = resource_bytes(instance, resource.c_str());
      if (!bytes) return false;
      ComPtr<IWICStream> stream;
      ComPtr<IWICBitmapDecoder> decoder;
      ComPtr<IWICBitmapFrameDecode> frame;
      ComPtr<IWICFormatConverter> converter;
      ComPtr<IWICBitmap> decoded;
      if (FAILED(wic_->CreateStream(&stream)) ||
          FAILED(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(bytes)), size)) ||
          FAILED(wic_->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnLoad, &decoder)) ||
          FAILED(decoder->GetFrame(0, &frame)) || FAILED(wic_->CreateFormatConverter(&converter)) ||
          FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr,
                                       0.0, WICBitmapPaletteTypeCustom)) ||
          // Decoded here, once: a lost device or a new DPI only makes device bitmaps again.
          FAILED(wic_->CreateBitmapFromSource(converter.Get(), WICBitmapCacheOnLoad, &decoded))) {
        return false;
      }
      decoded_art_[art_key(piece.name, double_size)] = decoded;
    }
  }
  return true;
}

void Renderer::set_dpi(UINT dpi) {
  if (target_) target_->SetDpi(static_cast<float>(dpi), static_cast<float>(dpi));
  high_density_ = is_high_density(dpi);
}

void Renderer::discard_device_resources() {
  target_.Reset();
  bitmaps_.clear();
  brush_.Reset();
}

bool Renderer::ensure_device_resources(HWND window, UINT dpi) {
  if (target_) return true;
  RECT client{};
  GetClientRect(window, &client);
  const D2D1_RENDER_TARGET_PROPERTIES properties = D2D1::RenderTargetProperties(
      D2D1_RENDER_TARGET_TYPE_DEFAULT, D2D1::PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED),
      static_cast<float>(dpi), static_cast<float>(dpi));
  const D2D1_HWND_RENDER_TARGET_PROPERTIES window_properties = D2D1::HwndRenderTargetProperties(
      window, D2D1::SizeU(static_cast<UINT32>(client.right - client.left), static_cast<UINT32>(client.bottom - client.top)));
  if (FAILED(d2d_->CreateHwndRenderTarget(properties, window_properties, &target_))) return false;
  target_->SetTextAntialiasMode(D2D1_TEXT_ANTIALIAS_MODE_GRAYSCALE);

  bitmaps_.clear();
  for (const auto& [key, decoded] : decoded_art_) {
    ComPtr<ID2D1Bitmap> bitmap;
    if (FAILED(target_->CreateBitmapFromWicBitmap(decoded.Get(), nullptr, &bitmap))) {
      target_.Reset();
      bitmaps_.clear();
      return false;
    }
    bitmaps_[key] = bitmap;
  }
  if (FAILED(target_->CreateSolidColorBrush(D2D1::ColorF(0, 0, 0, 1), &brush_))) {
    target_.Reset();
    bitmaps_.clear();
    return false;
  }
  return true;
}

void Renderer::resize(UINT width, UINT height) {
  if (target_) target_->Resize(D2D1::SizeU(width, height));
}

bool Renderer::begin_frame(HWND window, UINT dpi) {
  if (!ensure_device_resources(window, dpi)) return false;
  target_->BeginDraw();
  target_->Clear(D2D1::ColorF(0, 0, 0, 1));
  return true;
}

bool Renderer::end_frame() {
  if (target_->EndDraw() == static_cast<HRESULT>(D2DERR_RECREATE_TARGET)) {
    discard_device_resources();
    return false;
  }
  return true;
}

void Renderer::draw_art(std::string_view name, const RectF& rect, float opacity) {
  if (!target_) return;
  auto found = bitmaps_.end();
  if (high_density_) found = bitmaps_.find(art_key(name, true));
  if (found == bitmaps_.end()) found = bitmaps_.find(std::string(name));
  if (found == bitmaps_.end()) return;
  target_->DrawBitmap(found->second.Get(), D2D1::RectF(rect.left, rect.top, rect.right, rect.bottom), opacity,
                      D2D1_BITMAP_INTERPOLATION_MODE_LINEAR, nullptr);
}

void Renderer::fill_rounded_rect(const RectF& rect, float radius_x, float radius_y, const ColorF& color) {
  if (!target_) return;
  brush_->SetColor(to_d2d(color));
  target_->FillRoundedRectangle(
      D2D1::RoundedRect(D2D1::RectF(rect.left, rect.top, rect.right, rect.bottom), radius_x, radius_y), brush_.Get());
}

ComPtr<IDWriteTextLayout> Renderer::make_layout(const std::wstring& text, const TextStyle& style, float size,
                                                const BoxF& box) {
  const FontResource& font = font_of(style.font);
  ComPtr<IDWriteTextFormat> format;
  if (FAILED(dwrite_->CreateTextFormat(font.family, fonts_.Get(), font.weight, DWRITE_FONT_STYLE_NORMAL,
                                       DWRITE_FONT_STRETCH_NORMAL, size, L"en-us", &format))) {
    return nullptr;
  }
  ComPtr<IDWriteTextLayout> layout;
  if (FAILED(dwrite_->CreateTextLayout(text.c_str(), static_cast<UINT32>(text.size()), format.Get(), box.width,
                                       box.height, &layout))) {
    return nullptr;
  }
  layout->SetTextAlignment(style.centred ? DWRITE_TEXT_ALIGNMENT_CENTER : DWRITE_TEXT_ALIGNMENT_LEADING);
  layout->SetParagraphAlignment(DWRITE_PARAGRAPH_ALIGNMENT_CENTER);
  layout->SetWordWrapping(style.wrap ? DWRITE_WORD_WRAPPING_WRAP : DWRITE_WORD_WRAPPING_NO_WRAP);
  ComPtr<IDWriteTextLayout2> with_fallback;
  if (fallback_ && SUCCEEDED(layout.As(&with_fallback))) with_fallback->SetFontFallback(fallback_.Get());
  return layout;
}

std::optional<TextExtent> Renderer::measure(std::string_view text, const TextStyle& style, float size,
                                            const BoxF& box) {
  const ComPtr<IDWriteTextLayout> layout = make_layout(widen_utf8(text), style, size, box);
  DWRITE_TEXT_METRICS metrics{};
  if (!layout || FAILED(layout->GetMetrics(&metrics))) return std::nullopt;
  return TextExtent{metrics.widthIncludingTrailingWhitespace, metrics.height};
}

void Renderer::draw_text(std::string_view text, const TextStyle& style, const BoxF& box) {
  if (!target_) return;
  const std::wstring wide = widen_utf8(text);
  if (wide.empty()) return;
  const std::optional<float> size = fit_text_size(*this, text, style, box);
  if (!size) return;
  const ComPtr<IDWriteTextLayout> layout = make_layout(wide, style, *size, box);
  DWRITE_TEXT_METRICS metrics{};
  if (!layout || FAILED(layout->GetMetrics(&metrics))) return;

  if (style.font == FontKind::display) {
    // Eight copies around the text make a solid outline about 2.5 DIPs thick.
    static constexpr D2D1_POINT_2F outline[] = {{-2.5f, 0}, {2.5f, 0},     {0, -2.5f},    {0, 2.5f},
                                                {-1.8f, -1.8f}, {1.8f, -1.8f}, {-1.8f, 1.8f}, {1.8f, 1.8f}};
    brush_->SetColor(to_d2d(rgb(110, 55, 20)));
    for (const D2D1_POINT_2F& offset : outline) {
      target_->DrawTextLayout(D2D1::Point2F(box.x + offset.x, box.y + offset.y), layout.Get(), brush_.Get());
    }
  } else {
    brush_->SetColor(to_d2d(rgb(40, 10, 8, 0.75f)));
    target_->DrawTextLayout(D2D1::Point2F(box.x + 1, box.y + 1), layout.Get(), brush_.Get());
  }

  const D2D1_GRADIENT_STOP stops[] = {{0.0f, to_d2d(ColorF{style.top.r, style.top.g, style.top.b, 1})},
                                      {1.0f, to_d2d(ColorF{style.bottom.r, style.bottom.g, style.bottom.b, 1})}};
  ComPtr<ID2D1GradientStopCollection> collection;
  ComPtr<ID2D1LinearGradientBrush> face;
  if (FAILED(target_->CreateGradientStopCollection(stops, 2, D2D1_GAMMA_2_2, D2D1_EXTEND_MODE_CLAMP, &collection)) ||
      FAILED(target_->CreateLinearGradientBrush(
          D2D1::LinearGradientBrushProperties(D2D1::Point2F(0, box.y + metrics.top),
                                              D2D1::Point2F(0, box.y + metrics.top + metrics.height)),
          collection.Get(), &face))) {
    return;
  }
  target_->DrawTextLayout(D2D1::Point2F(box.x, box.y), layout.Get(), face.Get());
}

}  // namespace vup
