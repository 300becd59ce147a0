/* stb-resize.c — the peer of `tolmix-image resize` as a whole command: reads a picture with
 * stb_image, resizes it with stb_image_resize (v1, Mitchell) and writes a BMP with
 * stb_image_write.
 *
 *     stb-resize IN OUT.bmp WIDTH HEIGHT
 */
#include <stdio.h>
#include <stdlib.h>

#include <stb_image.h>
#include <stb_image_resize.h>
#include <stb_image_write.h>

int main(int argc, char** argv)
{
    if (argc != 5) {
        fprintf(stderr, "usage: stb-resize IN OUT.bmp WIDTH HEIGHT\n");
        return 2;
    }
    const int width = atoi(argv[3]), height = atoi(argv[4]);
    if (width <= 0 || height <= 0 || width > 32768 || height > 32768) {
        fprintf(stderr, "stb-resize: bad size %dx%d\n", width, height);
        return 2;
    }
    int inWidth = 0, inHeight = 0, channels = 0;
    unsigned char* in = stbi_load(argv[1], &inWidth, &inHeight, &channels, 3);
    if (in == NULL) {
        fprintf(stderr, "stb-resize: cannot read %s: %s\n", argv[1], stbi_failure_reason());
        return 1;
    }
    unsigned char* out = malloc((size_t)width * height * 3);
    if (out == NULL) {
        fprintf(stderr, "stb-resize: out of memory\n");
        return 1;
    }
    if (!stbir_resize_uint8_generic(in, inWidth, inHeight, 0, out, width, height, 0, 3, STBIR_ALPHA_CHANNEL_NONE, 0,
                                    STBIR_EDGE_CLAMP, STBIR_FILTER_MITCHELL, STBIR_COLORSPACE_LINEAR, NULL) ||
        !stbi_write_bmp(argv[2], width, height, 3, out)) {
        fprintf(stderr, "stb-resize: cannot resize or write %s\n", argv[2]);
        return 1;
    }
    stbi_image_free(in);
    free(out);
    return 0;
}
