// Test helper: writes the picture of an X window (the first top-level window
// whose name is the given title, or the whole screen) to a PNG file, so the
// window tests leave a screenshot for review.
// Usage: tarvo-screenshot OUTPUT.png [WINDOW-TITLE]
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

/// Searches the window tree below `parent` for a window named `title`.
Window FindNamed(Display* display, Window parent, const char* title) {
    char* name = nullptr;
    if (XFetchName(display, parent, &name) && name != nullptr) {
        const bool same = std::strcmp(name, title) == 0;
        XFree(name);
        if (same) return parent;
    }
    Window root = 0, up = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, parent, &root, &up, &children, &count)) return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && found == 0; ++i) found = FindNamed(display, children[i], title);
    if (children != nullptr) XFree(children);
    return found;
}

int Shift(unsigned long mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0) mask >>= 1, ++shift;
    return shift;
}

unsigned char Channel(unsigned long pixel, unsigned long mask) {
    const unsigned long value = (pixel & mask) >> Shift(mask);
    const unsigned long top = mask >> Shift(mask);
    return static_cast<unsigned char>(top == 0 ? 0 : value * 255 / top);
}

bool WritePng(const char* path, int width, int height, const std::vector<unsigned char>& rgb) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, const_cast<png_bytep>(&rgb[static_cast<std::size_t>(y) * width * 3]));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tarvo-screenshot OUTPUT.png [WINDOW-TITLE]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "tarvo-screenshot: cannot open the display\n");
        return 1;
    }
    Window window = DefaultRootWindow(display);
    if (argc > 2) {
        window = FindNamed(display, window, argv[2]);
        if (window == 0) {
            std::fprintf(stderr, "tarvo-screenshot: no window named \"%s\"\n", argv[2]);
            XCloseDisplay(display);
            return 1;
        }
    }
    // The window's rectangle on the screen, cut to the screen: the picture
    // is taken from the root window, so parts off the screen are left out.
    const Window root = DefaultRootWindow(display);
    XWindowAttributes rootAttributes{};
    XGetWindowAttributes(display, root, &rootAttributes);
    XWindowAttributes windowAttributes{};
    XGetWindowAttributes(display, window, &windowAttributes);
    int left = 0, top = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, root, 0, 0, &left, &top, &child);
    const int right = std::min(left + windowAttributes.width, rootAttributes.width);
    const int bottom = std::min(top + windowAttributes.height, rootAttributes.height);
    left = std::max(left, 0);
    top = std::max(top, 0);
    XWindowAttributes attributes{};
    attributes.width = right - left;
    attributes.height = bottom - top;
    if (attributes.width <= 0 || attributes.height <= 0) {
        std::fprintf(stderr, "tarvo-screenshot: the window is off the screen\n");
        XCloseDisplay(display);
        return 1;
    }
    XImage* image = XGetImage(display, root, left, top, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        std::fprintf(stderr, "tarvo-screenshot: cannot read the window's picture\n");
        XCloseDisplay(display);
        return 1;
    }
    std::vector<unsigned char> rgb(static_cast<std::size_t>(attributes.width) * attributes.height * 3);
    std::size_t at = 0;
    for (int y = 0; y < attributes.height; ++y) {
        for (int x = 0; x < attributes.width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            rgb[at++] = Channel(pixel, image->red_mask);
            rgb[at++] = Channel(pixel, image->green_mask);
            rgb[at++] = Channel(pixel, image->blue_mask);
        }
    }
    XDestroyImage(image);
    XCloseDisplay(display);
    if (!WritePng(argv[1], attributes.width, attributes.height, rgb)) {
        std::fprintf(stderr, "tarvo-screenshot: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
