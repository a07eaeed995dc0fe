// Saves an X window (or the root window) as an RGB PNG file.
// Usage: screenshot OUT.png [WINDOW_ID]
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Scales a masked channel of a pixel to 0..255 whatever the visual's bit depth.
unsigned char channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0) {
        return 0;
    }
    int shift = 0;
    while (((mask >> shift) & 1UL) == 0) {
        ++shift;
    }
    const unsigned long maximum = mask >> shift;
    return static_cast<unsigned char>(((pixel & mask) >> shift) * 255UL / maximum);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s OUT.png [WINDOW_ID]\n", argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "screenshot: cannot open the X display\n");
        return 1;
    }
    const Window window =
        argc == 3 ? std::strtoul(argv[2], nullptr, 0) : DefaultRootWindow(display);
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) == 0) {
        std::fprintf(stderr, "screenshot: no such window %s\n", argv[2]);
        return 1;
    }
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        std::fprintf(stderr, "screenshot: the window cannot be read (not mapped?)\n");
        return 1;
    }

    const int width = attributes.width;
    const int height = attributes.height;
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            unsigned char* out = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            out[0] = channel(pixel, image->red_mask);
            out[1] = channel(pixel, image->green_mask);
            out[2] = channel(pixel, image->blue_mask);
        }
    }
    XDestroyImage(image);
    XCloseDisplay(display);

    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(width);
    png.height = static_cast<png_uint_32>(height);
    png.format = PNG_FORMAT_RGB;
    if (png_image_write_to_file(&png, argv[1], 0, rgb.data(), 0, nullptr) == 0) {
        std::fprintf(stderr, "screenshot: cannot write %s: %s\n", argv[1], png.message);
        return 1;
    }
    return 0;
}
