#include "gui/win32/icons.h"

#include "scan/scan_context.h"

namespace quellon::gui::win32 {
namespace {

// The colour left transparent in the drawn pictures.
constexpr COLORREF kKey = RGB(255, 0, 255);

// Draws on a 16-unit square scaled to `size` pixels.
class Canvas {
public:
    Canvas(HDC dc, int size) : dc_(dc), size_(size) {}
    int U(double units) const { return static_cast<int>(units * size_ / 16.0 + 0.5); }

    void Ellipse(double x, double y, double w, double h, COLORREF fill, COLORREF line) {
        Use(fill, line);
        ::Ellipse(dc_, U(x), U(y), U(x + w), U(y + h));
        Done();
    }
    void Box(double x, double y, double w, double h, COLORREF fill, COLORREF line) {
        Use(fill, line);
        RoundRect(dc_, U(x), U(y), U(x + w), U(y + h), U(2), U(2));
        Done();
    }
    void Polygon(const POINT* units, int count, COLORREF fill, COLORREF line) {
        POINT points[8];
        for (int i = 0; i < count && i < 8; ++i) {
            points[i] = {U(units[i].x), U(units[i].y)};
        }
        Use(fill, line);
        ::Polygon(dc_, points, count < 8 ? count : 8);
        Done();
    }
    void Line(double x0, double y0, double x1, double y1, COLORREF colour) {
        Use(colour, colour);
        MoveToEx(dc_, U(x0), U(y0), nullptr);
        LineTo(dc_, U(x1), U(y1));
        Done();
    }

private:
    void Use(COLORREF fill, COLORREF line) {
        brush_ = CreateSolidBrush(fill);
        pen_ = CreatePen(PS_SOLID, size_ >= 24 ? 2 : 1, line);
        oldBrush_ = SelectObject(dc_, brush_);
        oldPen_ = SelectObject(dc_, pen_);
    }
    void Done() {
        SelectObject(dc_, oldBrush_);
        SelectObject(dc_, oldPen_);
        DeleteObject(brush_);
        DeleteObject(pen_);
    }
    HDC dc_;
    int size_;
    HGDIOBJ brush_ = nullptr, pen_ = nullptr, oldBrush_ = nullptr, oldPen_ = nullptr;
};

void DrawCookie(Canvas& c) {
    c.Ellipse(1.5, 1.5, 13, 13, RGB(0xd9, 0xa4, 0x5b), RGB(0x8a, 0x5a, 0x2b));
    const COLORREF chip = RGB(0x5b, 0x36, 0x16);
    c.Ellipse(4, 4.5, 2.4, 2.4, chip, chip);
    c.Ellipse(9, 5, 2.4, 2.4, chip, chip);
    c.Ellipse(6.5, 9.5, 2.4, 2.4, chip, chip);
    c.Ellipse(10, 9, 2.4, 2.4, chip, chip);
}

void DrawRegistry(Canvas& c) {
    const COLORREF fill[] = {RGB(0x2f, 0x6f, 0xd6), RGB(0x3f, 0xa3, 0x5b), RGB(0xd6, 0x8a, 0x2f),
                             RGB(0x8a, 0x4f, 0xc9)};
    const COLORREF line[] = {RGB(0x21, 0x4f, 0x99), RGB(0x2d, 0x74, 0x41), RGB(0x99, 0x62, 0x21),
                             RGB(0x62, 0x38, 0x8f)};
    int n = 0;
    for (int y : {1, 8}) {
        for (int x : {1, 8}) {
            c.Box(x + 0.5, y + 0.5, 6.5, 6.5, fill[n], line[n]);
            ++n;
        }
    }
}

void DrawFile(Canvas& c) {
    const POINT page[] = {{3, 1}, {10, 1}, {14, 5}, {14, 15}, {3, 15}};
    const COLORREF grey = RGB(0x70, 0x70, 0x70);
    c.Polygon(page, 5, RGB(255, 255, 255), grey);
    c.Line(10, 1, 10, 5, grey);
    c.Line(10, 5, 14, 5, grey);
    // A red mark: a file that does not belong.
    const COLORREF red = RGB(0xc6, 0x28, 0x28);
    c.Ellipse(5, 7.5, 6.5, 6.5, red, red);
    c.Line(8.25, 8.8, 8.25, 11, RGB(255, 255, 255));
    c.Line(8.25, 12, 8.25, 12.8, RGB(255, 255, 255));
}

void AddPicture(HIMAGELIST list, int size, void (*draw)(Canvas&)) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH key = CreateSolidBrush(kKey);
    const RECT all{0, 0, size, size};
    FillRect(dc, &all, key);
    DeleteObject(key);
    Canvas canvas(dc, size);
    draw(canvas);
    SelectObject(dc, old);
    DeleteDC(dc);
    ImageList_AddMasked(list, bitmap, kKey);
    DeleteObject(bitmap);
}

}  // namespace

HICON AppIcon(int size) {
    auto* icon =
        static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kAppIconId),
                                      IMAGE_ICON, size, size, LR_DEFAULTCOLOR | LR_SHARED));
    if (icon == nullptr) {
        icon = static_cast<HICON>(LoadImageW(nullptr, MAKEINTRESOURCEW(32512), IMAGE_ICON, size,
                                             size, LR_DEFAULTCOLOR | LR_SHARED));
    }
    return icon;
}

HIMAGELIST MakeKindImageList(int size) {
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 3, 0);
    if (list == nullptr) {
        return nullptr;
    }
    AddPicture(list, size, DrawCookie);
    AddPicture(list, size, DrawRegistry);
    AddPicture(list, size, DrawFile);
    return list;
}

int KindImage(int kind) {
    switch (kind) {
        case scan::kIconCookie:
        case scan::kIconRegistry:
        case scan::kIconFile:
            return kind - 1;
        default:
            return I_IMAGENONE;
    }
}

}  // namespace quellon::gui::win32
