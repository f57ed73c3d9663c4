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
