#pragma once

// Image decoding behind the two calls the renderer uses: PNG through libpng's
// simplified API, JPEG through libjpeg-turbo, TGA and BMP through stb_image. The
// file's content decides the decoder, not its name. A JPEG with a recoverable fault
// (stray bytes before a marker, say) decodes; one that ends early does not. A file
// that is missing, truncated, corrupt, not an image, larger than 16384 pixels a side
// or 256 MiB decoded gives a null pointer and a size of 0 x 0.

enum {
    SOIL_LOAD_AUTO = 0, // the file's own channel count
    SOIL_LOAD_L = 1,
    SOIL_LOAD_LA = 2,
    SOIL_LOAD_RGB = 3,
    SOIL_LOAD_RGBA = 4,
};

// Decodes filename into 8-bit pixels with force_channels channels (or the file's
// own count with SOIL_LOAD_AUTO), rows top first, tightly packed. channels, when
// not null, receives the file's own channel count (0 on failure): 1 grey, 2 grey
// with alpha or a tRNS key, 3 RGB or a palette, 4 RGBA, RGB with a tRNS key or a
// palette with transparency. 16-bit samples become their 8-bit value with no gamma
// change unless a gAMA chunk asks for one; grey made from colour is BT.601 luma;
// alpha is dropped as it is, not blended; a missing alpha is 255.
// Free the result with SOIL_free_image_data, which accepts null.
unsigned char* SOIL_load_image(const char* filename, int* width, int* height, int* channels,
                               int force_channels);

void SOIL_free_image_data(unsigned char* img_data);
