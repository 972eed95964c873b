/* Types and clicks into a wlroots compositor through one virtual keyboard
 * and one virtual pointer, kept for the whole run: a client sees a new
 * keyboard as a device change and may drop keys around it.
 *
 * Commands, one a line on stdin; each is answered "ok" or "error: ..." once
 * the compositor has handled it (after a roundtrip):
 *   type TEXT      press and release the key of each character
 *   key [MOD+]NAME one keysym by name, e.g. BackSpace, ctrl+a, shift+Tab
 *   delay MS       pause after each key (default 6)
 *   extent W H     pointer coordinate space (default 1280 1024)
 *   move X Y       absolute pointer motion
 *   click X Y      move, then press and release the left button
 *   quit
 */
#define _GNU_SOURCE
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#define BTN_LEFT 0x110
#define MAX_KEYS 1024

struct stroke {
    xkb_keycode_t code;
    xkb_mod_mask_t mods;
};

static struct wl_display* display;
static struct wl_seat* seat;
static struct zwp_virtual_keyboard_manager_v1* kb_manager;
static struct zwlr_virtual_pointer_manager_v1* ptr_manager;
static struct zwp_virtual_keyboard_v1* keyboard;
static struct zwlr_virtual_pointer_v1* pointer;
static struct xkb_keymap* keymap;
static int delay_ms = 6;
static unsigned extent_w = 1280, extent_h = 1024;

static void global(void* data, struct wl_registry* reg, uint32_t name, const char* iface, uint32_t version)
{
    (void)data;
    (void)version;
    if (!strcmp(iface, wl_seat_interface.name) && !seat)
        seat = wl_registry_bind(reg, name, &wl_seat_interface, 1);
    else if (!strcmp(iface, zwp_virtual_keyboard_manager_v1_interface.name))
        kb_manager = wl_registry_bind(reg, name, &zwp_virtual_keyboard_manager_v1_interface, 1);
    else if (!strcmp(iface, zwlr_virtual_pointer_manager_v1_interface.name))
        ptr_manager = wl_registry_bind(reg, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
}

static void global_remove(void* data, struct wl_registry* reg, uint32_t name)
{
    (void)data;
    (void)reg;
    (void)name;
}

static const struct wl_registry_listener registry_listener = {global, global_remove};

static uint32_t now_ms(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint32_t)(ts.tv_sec * 1000 + ts.tv_nsec / 1000000);
}

static void pause_ms(int ms)
{
    struct timespec ts = {ms / 1000, (long)(ms % 1000) * 1000000};
    nanosleep(&ts, NULL);
}

static int send_keymap(void)
{
    struct xkb_context* ctx = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    struct xkb_rule_names names = {.rules = "evdev", .model = "pc105", .layout = "us"};
    keymap = ctx ? xkb_keymap_new_from_names(ctx, &names, XKB_KEYMAP_COMPILE_NO_FLAGS) : NULL;
    if (!keymap) return -1;
    char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    size_t size = strlen(text) + 1;
    int fd = memfd_create("wl_input-keymap", MFD_CLOEXEC);
    int ok = fd >= 0 && write(fd, text, size) == (ssize_t)size;
    if (ok) zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, size);
    if (fd >= 0) close(fd);
    free(text);
    xkb_context_unref(ctx);
    return ok ? 0 : -1;
}

/* The key and the modifiers that give sym on the first layout, preferring
 * the lowest level so that plain letters go without Shift. */
static int find_key(xkb_keysym_t sym, struct stroke* out)
{
    xkb_keycode_t lo = xkb_keymap_min_keycode(keymap), hi = xkb_keymap_max_keycode(keymap);
    for (xkb_level_index_t level = 0; level < 4; level++) {
        for (xkb_keycode_t code = lo; code <= hi; code++) {
            const xkb_keysym_t* syms;
            if (level >= xkb_keymap_num_levels_for_key(keymap, code, 0) ||
                xkb_keymap_key_get_syms_by_level(keymap, code, 0, level, &syms) != 1 || syms[0] != sym)
                continue;
            xkb_mod_mask_t masks[4];
            if (xkb_keymap_key_get_mods_for_level(keymap, code, 0, level, masks, 4) < 1) continue;
            out->code = code;
            out->mods = masks[0];
            return 0;
        }
    }
    return -1;
}

static void press(const struct stroke* s)
{
    if (s->mods) zwp_virtual_keyboard_v1_modifiers(keyboard, s->mods, 0, 0, 0);
    /* The protocol carries evdev codes, which xkb offsets by 8. */
    zwp_virtual_keyboard_v1_key(keyboard, now_ms(), s->code - 8, WL_KEYBOARD_KEY_STATE_PRESSED);
    zwp_virtual_keyboard_v1_key(keyboard, now_ms(), s->code - 8, WL_KEYBOARD_KEY_STATE_RELEASED);
    if (s->mods) zwp_virtual_keyboard_v1_modifiers(keyboard, 0, 0, 0, 0);
    wl_display_flush(display);
    pause_ms(delay_ms);
}

/* Next code point of UTF-8 text, or -1 when malformed. */
static long next_char(const unsigned char** p)
{
    const unsigned char* s = *p;
    int n = s[0] < 0x80 ? 0 : s[0] >= 0xf0 ? 3 : s[0] >= 0xe0 ? 2 : s[0] >= 0xc0 ? 1 : -1;
    if (n < 0) return -1;
    long c = n ? s[0] & (0x3f >> n) : s[0];
    for (int i = 1; i <= n; i++) {
        if ((s[i] & 0xc0) != 0x80) return -1;
        c = c << 6 | (s[i] & 0x3f);
    }
    *p = s + n + 1;
    return c;
}

static const char* type_text(const char* text)
{
    static struct stroke keys[MAX_KEYS];
    static char err[64];
    size_t n = 0;
    /* Look every character up first, so a bad one types nothing. */
    for (const unsigned char* p = (const unsigned char*)text; *p;) {
        long c = next_char(&p);
        if (c < 0) return "malformed UTF-8";
        if (n == MAX_KEYS) return "text too long";
        if (find_key(xkb_utf32_to_keysym((uint32_t)c), &keys[n++]) < 0) {
            snprintf(err, sizeof err, "no key for U+%04lX", c);
            return err;
        }
    }
    for (size_t i = 0; i < n; i++) press(&keys[i]);
    return NULL;
}

static const char* key_combo(char* combo)
{
    static const char* mods[][2] = {{"shift", XKB_MOD_NAME_SHIFT},
                                    {"ctrl", XKB_MOD_NAME_CTRL},
                                    {"alt", XKB_MOD_NAME_ALT},
                                    {"super", XKB_MOD_NAME_LOGO}};
    xkb_mod_mask_t extra = 0;
    char *name = combo, *plus;
    while ((plus = strchr(name, '+')) && plus[1]) {
        *plus = '\0';
        size_t i = 0;
        while (i < 4 && strcasecmp(name, mods[i][0])) i++;
        if (i == 4) return "unknown modifier";
        extra |= 1u << xkb_keymap_mod_get_index(keymap, mods[i][1]);
        name = plus + 1;
    }
    xkb_keysym_t sym = xkb_keysym_from_name(name, XKB_KEYSYM_NO_FLAGS);
    if (sym == XKB_KEY_NoSymbol) sym = xkb_keysym_from_name(name, XKB_KEYSYM_CASE_INSENSITIVE);
    if (sym == XKB_KEY_NoSymbol && name[0] > 0x20 && !name[1])
        sym = xkb_utf32_to_keysym((unsigned char)name[0]); /* "+", "/" */
    struct stroke s;
    if (sym == XKB_KEY_NoSymbol || find_key(sym, &s) < 0) return "no key for that name";
    s.mods |= extra;
    press(&s);
    return NULL;
}

static void pointer_to(unsigned x, unsigned y)
{
    zwlr_virtual_pointer_v1_motion_absolute(pointer, now_ms(), x, y, extent_w, extent_h);
    zwlr_virtual_pointer_v1_frame(pointer);
}

static void click(unsigned x, unsigned y)
{
    pointer_to(x, y);
    zwlr_virtual_pointer_v1_button(pointer, now_ms(), BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
    zwlr_virtual_pointer_v1_frame(pointer);
    wl_display_flush(display);
    pause_ms(delay_ms);
    zwlr_virtual_pointer_v1_button(pointer, now_ms(), BTN_LEFT, WL_POINTER_BUTTON_STATE_RELEASED);
    zwlr_virtual_pointer_v1_frame(pointer);
}

int main(void)
{
    display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "wl_input: cannot connect to the Wayland display\n");
        return 1;
    }
    wl_registry_add_listener(wl_display_get_registry(display), &registry_listener, NULL);
    wl_display_roundtrip(display);
    if (!seat || !kb_manager || !ptr_manager) {
        fprintf(stderr, "wl_input: compositor lacks wl_seat, virtual keyboard or virtual pointer\n");
        return 1;
    }
    keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(kb_manager, seat);
    pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(ptr_manager, seat);
    if (send_keymap() < 0 || wl_display_roundtrip(display) < 0) {
        fprintf(stderr, "wl_input: cannot set up the keyboard\n");
        return 1;
    }
    /* Running clients bind the new keyboard only after the seat announces
     * it; keys sent before that are lost. */
    pause_ms(200);

    char line[8192];
    while (fgets(line, sizeof line, stdin)) {
        line[strcspn(line, "\n")] = '\0';
        const char* err = NULL;
        unsigned a, b;
        int quit = 0;
        if (!strncmp(line, "type ", 5) || !strcmp(line, "type"))
            err = type_text(line[4] ? line + 5 : "");
        else if (!strncmp(line, "key ", 4))
            err = key_combo(line + 4);
        else if (sscanf(line, "delay %u", &a) == 1)
            delay_ms = (int)a;
        else if (sscanf(line, "extent %u %u", &a, &b) == 2 && a && b)
            extent_w = a, extent_h = b;
        else if (sscanf(line, "move %u %u", &a, &b) == 2)
            pointer_to(a, b);
        else if (sscanf(line, "click %u %u", &a, &b) == 2)
            click(a, b);
        else if (!strcmp(line, "quit"))
            quit = 1;
        else
            err = "unknown command";
        if (wl_display_roundtrip(display) < 0) {
            printf("error: lost the compositor (protocol error %d)\n", wl_display_get_error(display));
            return 1;
        }
        if (err)
            printf("error: %s\n", err);
        else
            printf("ok\n");
        fflush(stdout);
        if (quit) break;
    }
    zwp_virtual_keyboard_v1_destroy(keyboard);
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    xkb_keymap_unref(keymap);
    return 0;
}
