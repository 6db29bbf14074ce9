/* Watches the X screen the way a person would see a program start: takes a picture of the root
 * window every few milliseconds and reports, with CLOCK_MONOTONIC times, the first picture that
 *   visible  differs from the first picture in at least 2000 pixels (anything new on screen),
 *   marker   holds at least --marker-min pixels of the --marker colour (the trivial window),
 *   splash   matches the splash picture at the --probes points (90 % within a small tolerance),
 *   cube     shows at least three sticker colours inside --area while the splash is not shown.
 * It stops at the first marker or cube picture, or after --timeout-ms.
 *
 * The watcher shares the machine with the program it times, so a picture must cost little: it is
 * taken through shared memory (MIT-SHM) where the server offers it and its pixels are read in
 * place. Copying each picture through the X connection and reading it with XGetPixel kept about
 * one core busy at a 10 ms interval (the watcher and the X server together), which slowed most
 * the programs that start on more than one thread.
 * Built by bench/run_bench.py with the host compiler: cc -O2 screen_watch.c -lXext -lX11 -lm. */
#define _POSIX_C_SOURCE 200809L
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <time.h>

#define MAX_PROBES 4096
enum { kRed, kOrange, kYellow, kGreen, kBlue, kWhite, kClassCount };

static double now_seconds(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

static void sleep_until(double t)
{
    double left = t - now_seconds();
    if (left <= 0) return;
    struct timespec ts = {(time_t)left, (long)((left - (time_t)left) * 1e9)};
    nanosleep(&ts, NULL);
}

/* Pictures of the root window: one shared-memory image refilled in place, else a fresh image
 * over the connection each time. */
typedef struct {
    Display* display;
    Window root;
    int width, height;
    XImage* shared;
    XShmSegmentInfo segment;
} Grabber;

static int attach_failed;
static int note_attach_failure(Display* display, XErrorEvent* error)
{
    (void)display;
    (void)error;
    attach_failed = 1;
    return 0;
}

static void open_shared_image(Grabber* g)
{
    if (!XShmQueryExtension(g->display)) return;
    const int screen = DefaultScreen(g->display);
    XImage* image = XShmCreateImage(g->display, DefaultVisual(g->display, screen), DefaultDepth(g->display, screen),
                                    ZPixmap, NULL, &g->segment, g->width, g->height);
    if (!image) return;
    g->segment.shmid = shmget(IPC_PRIVATE, (size_t)image->bytes_per_line * image->height, IPC_CREAT | 0600);
    if (g->segment.shmid < 0) {
        XDestroyImage(image);
        return;
    }
    g->segment.shmaddr = image->data = shmat(g->segment.shmid, NULL, 0);
    g->segment.readOnly = False;
    attach_failed = 0;
    XErrorHandler previous = XSetErrorHandler(note_attach_failure);
    const Bool attached = g->segment.shmaddr != (char*)-1 && XShmAttach(g->display, &g->segment);
    XSync(g->display, False); /* a server that cannot reach the segment answers with an error */
    XSetErrorHandler(previous);
    shmctl(g->segment.shmid, IPC_RMID, NULL); /* freed once both sides have let go */
    if (attached && !attach_failed) {
        g->shared = image;
        return;
    }
    if (g->segment.shmaddr != (char*)-1) shmdt(g->segment.shmaddr);
    image->data = NULL;
    XDestroyImage(image);
}

static XImage* take_picture(Grabber* g)
{
    if (g->shared) return XShmGetImage(g->display, g->root, g->shared, 0, 0, AllPlanes) ? g->shared : NULL;
    return XGetImage(g->display, g->root, 0, 0, g->width, g->height, AllPlanes, ZPixmap);
}

static void drop_picture(Grabber* g, XImage* image)
{
    if (image != g->shared) XDestroyImage(image);
}

static void close_grabber(Grabber* g)
{
    if (!g->shared) return;
    XShmDetach(g->display, &g->segment);
    XSync(g->display, False);
    shmdt(g->segment.shmaddr);
    g->shared->data = NULL;
    XDestroyImage(g->shared);
}

/* 0xRRGGBB of a pixel: read in place for the usual 32-bit true-colour layout. */
static unsigned pixel_at(const XImage* image, int direct, int x, int y)
{
    if (direct) return ((const uint32_t*)(image->data + (size_t)y * image->bytes_per_line))[x] & 0xFFFFFFu;
    return (unsigned)XGetPixel((XImage*)image, x, y) & 0xFFFFFFu;
}

static int reads_in_place(const XImage* image)
{
    return image->format == ZPixmap && image->bits_per_pixel == 32 && image->byte_order == LSBFirst &&
           image->red_mask == 0xFF0000 && image->green_mask == 0xFF00 && image->blue_mask == 0xFF;
}

/* Sticker colour class of a pixel, -1 for anything else (dark body, grey background, menus). */
static int sticker_class(int r, int g, int b)
{
    int max = r > g ? (r > b ? r : b) : (g > b ? g : b);
    int min = r < g ? (r < b ? r : b) : (g < b ? g : b);
    if (max < 60) return -1;
    double s = (double)(max - min) / max;
    if (s < 0.12 && max > 170) return kWhite;
    if (s < 0.55) return -1;
    double h;
    if (max == r) h = fmod(60.0 * (g - b) / (max - min) + 360.0, 360.0);
    else if (max == g) h = 60.0 * (b - r) / (max - min) + 120.0;
    else h = 60.0 * (r - g) / (max - min) + 240.0;
    if (h < 12 || h >= 345) return kRed;
    if (h < 38) return kOrange;
    if (h < 70) return kYellow;
    if (h >= 95 && h < 170) return kGreen;
    if (h >= 200 && h < 250) return kBlue;
    return -1;
}

int main(int argc, char** argv)
{
    const char* display_name = NULL;
    double interval = 0.05, timeout = 20.0;
    long marker = -1, marker_min = 2000, class_min = 60;
    int area[4] = {0, 0, 0, 0}, have_area = 0;
    const char* probe_file = NULL;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--display") && i + 1 < argc) display_name = argv[++i];
        else if (!strcmp(argv[i], "--interval-ms") && i + 1 < argc) interval = atof(argv[++i]) / 1000;
        else if (!strcmp(argv[i], "--timeout-ms") && i + 1 < argc) timeout = atof(argv[++i]) / 1000;
        else if (!strcmp(argv[i], "--marker") && i + 1 < argc) marker = strtol(argv[++i], NULL, 16);
        else if (!strcmp(argv[i], "--marker-min") && i + 1 < argc) marker_min = atol(argv[++i]);
        else if (!strcmp(argv[i], "--class-min") && i + 1 < argc) class_min = atol(argv[++i]);
        else if (!strcmp(argv[i], "--probes") && i + 1 < argc) probe_file = argv[++i];
        else if (!strcmp(argv[i], "--area") && i + 4 < argc) {
            for (int k = 0; k < 4; ++k) area[k] = atoi(argv[++i]);
            have_area = 1;
        } else {
            fprintf(stderr, "screen_watch: unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    static int probes[MAX_PROBES][5];
    int probe_count = 0;
    if (probe_file) {
        FILE* f = fopen(probe_file, "r");
        if (!f) {
            perror(probe_file);
            return 2;
        }
        while (probe_count < MAX_PROBES && fscanf(f, "%d %d %d %d %d", &probes[probe_count][0], &probes[probe_count][1],
                                                  &probes[probe_count][2], &probes[probe_count][3],
                                                  &probes[probe_count][4]) == 5)
            ++probe_count;
        fclose(f);
    }

    Display* display = XOpenDisplay(display_name);
    if (!display) {
        fprintf(stderr, "screen_watch: cannot open the display\n");
        return 2;
    }
    Window root = DefaultRootWindow(display);
    XWindowAttributes attributes;
    XGetWindowAttributes(display, root, &attributes);
    const int width = attributes.width, height = attributes.height;
    Grabber grabber = {display, root, width, height, NULL, {0}};
    open_shared_image(&grabber);
    unsigned* first = calloc((size_t)width * height, sizeof *first);
    if (!first) return 2;

    const double start = now_seconds();
    printf("start %.6f\n", start);
    fflush(stdout);
    int have_first = 0, seen_visible = 0, seen_marker = 0, seen_splash = 0;
    for (double next = start;; next += interval) {
        sleep_until(next);
        const double before = now_seconds();
        if (before - start > timeout) break;
        XImage* image = take_picture(&grabber);
        const double taken = 0.5 * (before + now_seconds());
        if (!image) continue;
        const int direct = reads_in_place(image);
        /* Only what is still to be seen is counted. */
        const int count_changes = have_first && !seen_visible, count_marker = marker >= 0;
        long changed = 0, marker_pixels = 0;
        for (int y = 0; y < height && (!have_first || count_changes || count_marker); ++y) {
            unsigned* first_row = first + (size_t)y * width;
            if (direct) {
                const uint32_t* row = (const uint32_t*)(image->data + (size_t)y * image->bytes_per_line);
                if (!have_first) memcpy(first_row, row, (size_t)width * sizeof *row);
                if (count_changes && memcmp(first_row, row, (size_t)width * sizeof *row) != 0)
                    for (int x = 0; x < width; ++x) changed += ((first_row[x] ^ row[x]) & 0xFFFFFFu) != 0;
                if (count_marker)
                    for (int x = 0; x < width; ++x) marker_pixels += (long)(row[x] & 0xFFFFFFu) == marker;
                continue;
            }
            for (int x = 0; x < width; ++x) {
                const unsigned p = pixel_at(image, direct, x, y);
                if (!have_first) first_row[x] = p;
                else if (count_changes && first_row[x] != p) ++changed;
                if (count_marker && (long)p == marker) ++marker_pixels;
            }
        }
        have_first = 1;
        int splash_shown = 0;
        if (probe_count) {
            int matched = 0;
            for (int k = 0; k < probe_count; ++k) {
                const int x = probes[k][0], y = probes[k][1];
                if (x < 0 || y < 0 || x >= width || y >= height) continue;
                const unsigned p = pixel_at(image, direct, x, y);
                const int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
                if (abs(r - probes[k][2]) <= 12 && abs(g - probes[k][3]) <= 12 && abs(b - probes[k][4]) <= 12)
                    ++matched;
            }
            splash_shown = matched * 10 >= probe_count * 9;
        }
        int classes = 0;
        if (have_area && !splash_shown) {
            long counts[kClassCount] = {0};
            for (int y = area[1]; y < area[3] && y < height; y += 2)
                for (int x = area[0]; x < area[2] && x < width; x += 2) {
                    const unsigned p = pixel_at(image, direct, x, y);
                    const int c = sticker_class((p >> 16) & 255, (p >> 8) & 255, p & 255);
                    if (c >= 0) ++counts[c];
                }
            for (int c = 0; c < kClassCount; ++c) classes += counts[c] >= class_min;
        }
        drop_picture(&grabber, image);

        if (!seen_visible && changed >= 2000) {
            seen_visible = 1;
            printf("visible %.6f\n", taken);
        }
        if (!seen_splash && splash_shown) {
            seen_splash = 1;
            printf("splash %.6f\n", taken);
        }
        if (!seen_marker && marker >= 0 && marker_pixels >= marker_min) {
            seen_marker = 1;
            printf("marker %.6f\n", taken);
            fflush(stdout);
            break;
        }
        if (classes >= 3) {
            printf("cube %.6f %d\n", taken, classes);
            fflush(stdout);
            break;
        }
        fflush(stdout);
    }
    printf("end %.6f\n", now_seconds());
    close_grabber(&grabber);
    XCloseDisplay(display);
    free(first);
    return 0;
}
