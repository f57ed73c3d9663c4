#include <string>
#include <system_error>
#include <vector>

#include "platform/ui/win32_window.h"
// After windows.h, which it builds on.
#include <gdiplus.h>

namespace ui::win32 {
namespace {

// GDI+ is started once, at the first picture, and left running for the process.
bool startGdiPlus() {
  static const bool started = [] {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    return Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
  }();
  return started;
}

bool pngEncoder(CLSID& clsid) {
  UINT count = 0;
  UINT bytes = 0;
  if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) return false;
  std::vector<unsigned char> buffer(bytes);
  auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (Gdiplus::GetImageEncoders(count, bytes, encoders) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (std::wstring(encoders[i].MimeType) == L"image/png") {
      clsid = encoders[i].Clsid;
      return true;
    }
  }
  return false;
}

}  // namespace

HFONT windowFont() {
  static const HFONT font =
      CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma");
  return font;
}

void drawOps(HDC dc, const std::vector<PaintOp>& ops) {
  SetBkMode(dc, TRANSPARENT);
  const HGDIOBJ oldFont = SelectObject(dc, windowFont());
  for (const PaintOp& op : ops) {
    const Rect& r = op.rect;
    switch (op.kind) {
      case PaintOp::Kind::Fill: {
        const RECT rect{r.left, r.top, r.right, r.bottom};
        HBRUSH brush = CreateSolidBrush(op.colour);
        FillRect(dc, &rect, brush);
        DeleteObject(brush);
        break;
      }
      case PaintOp::Kind::Line: {
        HPEN pen = CreatePen(PS_SOLID, 1, op.colour);
        const HGDIOBJ oldPen = SelectObject(dc, pen);
        MoveToEx(dc, r.left, r.top, nullptr);
        LineTo(dc, r.right, r.bottom);
        SelectObject(dc, oldPen);
        DeleteObject(pen);
        break;
      }
      case PaintOp::Kind::Text:
        SetTextColor(dc, op.colour);
        TextOutW(dc, r.left, r.top, reinterpret_cast<LPCWSTR>(op.text.c_str()),
                 static_cast<int>(op.text.size()));
        break;
    }
  }
  SelectObject(dc, oldFont);
}

bool savePng(HBITMAP bitmap, const std::filesystem::path& path) {
  CLSID png{};
  if (!startGdiPlus() || !pngEncoder(png)) return false;
  const auto temporary = std::filesystem::path(path.wstring() + L".tmp");
  bool written = false;
  {
    Gdiplus::Bitmap picture(bitmap, nullptr);
    written = picture.GetLastStatus() == Gdiplus::Ok &&
              picture.Save(temporary.wstring().c_str(), &png, nullptr) == Gdiplus::Ok;
  }
  std::error_code ec;
  if (written) std::filesystem::rename(temporary, path, ec);
  return written && !ec;
}

}  // namespace ui::win32

namespace ui {

std::optional<Picture> readPng(const std::filesystem::path& path) {
  if (!win32::startGdiPlus()) return std::nullopt;
  Gdiplus::Bitmap image(path.wstring().c_str());
  if (image.GetLastStatus() != Gdiplus::Ok) return std::nullopt;
  Picture picture;
  picture.width = static_cast<int>(image.GetWidth());
  picture.height = static_cast<int>(image.GetHeight());
  Gdiplus::Rect all(0, 0, picture.width, picture.height);
  Gdiplus::BitmapData data{};
  if (image.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppRGB, &data) != Gdiplus::Ok)
    return std::nullopt;
  picture.pixels.reserve(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height));
  for (int y = 0; y < picture.height; ++y) {
    const auto* row =
        static_cast<const std::uint32_t*>(data.Scan0) + static_cast<std::ptrdiff_t>(y) * data.Stride / 4;
    for (int x = 0; x < picture.width; ++x) picture.pixels.push_back(row[x] & 0xFFFFFF);
  }
  image.UnlockBits(&data);
  return picture;
}

}  // namespace ui
