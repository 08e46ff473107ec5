#!/usr/bin/python3
"""Draws the program's default skin and writes it as a skin folder: the ini text
"Default.ini" and the 24-bit BMP pictures it names. The skin packer (tools/skinpack) turns
the folder into "skins\\Default.skn" and into the stored default skin of the engine window.

The skin dresses every window and control of the program:

  frame.bmp, frame_inactive.bmp  the window frame (caption band, borders, client part),
                                 active and inactive
  captionbuttons.bmp (0)         close, maximize/restore, minimize, system menu, roll up/
                                 down and tray buttons: normal, hot, pressed, inactive
  controls.bmp (1)               buttons, tool buttons, menu buttons, panels, tool bars,
                                 status bar, check and radio boxes, gauges, track bars,
                                 labels, edits, spin edit, up-downs, list and combo boxes,
                                 tabs, slider, main-menu bar
  menus.bmp (2)                  popup menu items and the main-menu bar's items and buttons
  popup.bmp (3), hint.bmp (4)    the frames of popup menus and hints
  hscrollbar.bmp (5), vscrollbar.bmp (6), bothhscrollbar.bmp (7)
                                 the scroll bars, each at the origin of its own picture

The numbers are the pictures' indexes in the skin's active-picture list. Every rectangle
and point of the ini text is taken from the drawing code below, so pictures and text
always agree.

Run from the repository root: tools/make_default_skin.py OUTDIR
"""
import os
import sys

from PIL import Image, ImageDraw

# Colours (red, green, blue).
FACE = (236, 238, 242)
FACE_DARK = (222, 226, 234)
LIGHT = (255, 255, 255)
SHADOW = (166, 172, 184)
DARK = (96, 104, 118)
TEXT = (24, 28, 36)
DISABLED_TEXT = (150, 156, 166)
WINDOW = (255, 255, 255)
ACCENT = (52, 104, 176)
ACCENT_DARK = (32, 70, 130)
ACCENT_LIGHT = (214, 228, 248)
KEY = (255, 0, 255)  # transparent key colour

BUTTON = ((250, 251, 253), (220, 225, 234), (132, 142, 160))   # top, bottom, border
HOT = ((236, 244, 253), (200, 220, 247), (88, 140, 212))
DOWN = ((176, 200, 236), (206, 222, 246), (44, 90, 160))
DISABLED = ((242, 243, 245), (234, 235, 238), (196, 200, 208))
TOOLBAR = ((232, 237, 245), (208, 217, 232))

CAPTION = ((74, 124, 194), (40, 82, 148))
CAPTION_INACTIVE = ((156, 164, 178), (126, 134, 150))
FRAME_EDGE = (22, 44, 80)
FRAME_EDGE_INACTIVE = (92, 98, 110)

FONT = "Tahoma"
FONT_HEIGHT = 13


def tcolor(rgb):
    """A colour as the skin writes it: 0x00BBGGRR in decimal."""
    r, g, b = rgb
    return b << 16 | g << 8 | r


def mix(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def rect_text(r):
    return "%d,%d,%d,%d" % r


def point_text(p):
    return "%d,%d" % p


def offset(r, dx, dy):
    return (r[0] + dx, r[1] + dy, r[2] + dx, r[3] + dy)


# ---------------------------------------------------------------------------------------
# Pictures

class Sheet:
    """A picture whose cells are handed out row by row (left to right, then the next
    row below the tallest cell of the row)."""

    def __init__(self, name, width, height=1024, background=FACE):
        self.name = name
        self.image = Image.new("RGB", (width, height), background)
        self.draw = ImageDraw.Draw(self.image)
        self.width = width
        self.x = self.y = self.row = 0
        self.used = 0

    def take(self, w, h):
        if self.x + w > self.width:
            self.x, self.y, self.row = 0, self.y + self.row + 2, 0
        r = (self.x, self.y, self.x + w, self.y + h)
        self.x += w + 2
        self.row = max(self.row, h)
        self.used = max(self.used, self.y + h)
        return r

    def save(self, folder):
        self.image.crop((0, 0, self.width, self.used)).save(os.path.join(folder, self.name), "BMP")


def fill(sheet, r, colour):
    if r[2] > r[0] and r[3] > r[1]:
        sheet.draw.rectangle((r[0], r[1], r[2] - 1, r[3] - 1), fill=colour)


def frame_rect(sheet, r, colour):
    sheet.draw.rectangle((r[0], r[1], r[2] - 1, r[3] - 1), outline=colour)


def vgradient(sheet, r, top, bottom):
    h = r[3] - r[1]
    for i in range(h):
        fill(sheet, (r[0], r[1] + i, r[2], r[1] + i + 1), mix(top, bottom, i / max(1, h - 1)))


def hgradient(sheet, r, left, right):
    w = r[2] - r[0]
    for i in range(w):
        fill(sheet, (r[0] + i, r[1], r[0] + i + 1, r[3]), mix(left, right, i / max(1, w - 1)))


def box(sheet, r, look, background=FACE, vertical=True):
    """A rounded box: one-pixel border, a gradient inside, a light inner top line."""
    top, bottom, border = look
    fill(sheet, r, background)
    inner = (r[0] + 1, r[1] + 1, r[2] - 1, r[3] - 1)
    (vgradient if vertical else hgradient)(sheet, inner, top, bottom)
    x0, y0, x1, y1 = r[0], r[1], r[2] - 1, r[3] - 1
    d = sheet.draw
    d.line((x0 + 1, y0, x1 - 1, y0), fill=border)
    d.line((x0 + 1, y1, x1 - 1, y1), fill=border)
    d.line((x0, y0 + 1, x0, y1 - 1), fill=border)
    d.line((x1, y0 + 1, x1, y1 - 1), fill=border)
    d.line((x0 + 2, y0 + 1, x1 - 2, y0 + 1), fill=mix(top, LIGHT, 0.6))


def sunken(sheet, r, inside=WINDOW, border=(132, 142, 160)):
    fill(sheet, r, inside)
    frame_rect(sheet, r, border)


def arrow(sheet, r, direction, colour, size=4):
    """A filled triangle centred in r pointing "up", "down", "left" or "right"."""
    cx = (r[0] + r[2]) // 2
    cy = (r[1] + r[3]) // 2
    s = size
    if direction == "down":
        pts = [(cx - s, cy - s // 2), (cx + s, cy - s // 2), (cx, cy + s // 2 + 1)]
    elif direction == "up":
        pts = [(cx - s, cy + s // 2), (cx + s, cy + s // 2), (cx, cy - s // 2 - 1)]
    elif direction == "left":
        pts = [(cx + s // 2, cy - s), (cx + s // 2, cy + s), (cx - s // 2 - 1, cy)]
    else:
        pts = [(cx - s // 2, cy - s), (cx - s // 2, cy + s), (cx + s // 2 + 1, cy)]
    sheet.draw.polygon(pts, fill=colour)


def tick(sheet, x, y, colour):
    for i in range(3):
        sheet.draw.line((x, y + 4 - i, x + 2, y + 6 - i, x + 7, y + 1 - i), fill=colour)


# ---------------------------------------------------------------------------------------
# The ini text

class Skin:
    def __init__(self):
        self.sections = {}
        self.order = []
        self.objects = []
        self.controls = []

    def section(self, name, values):
        if name not in self.sections:
            self.order.append(name)
            self.sections[name] = []
        for key, value in values:
            if isinstance(value, bool):
                value = "1" if value else "0"
            elif isinstance(value, tuple) and len(value) == 4:
                value = rect_text(value)
            elif isinstance(value, tuple) and len(value) == 2:
                value = point_text(value)
            self.sections[name].append((key, str(value)))

    def control(self, name, type_word, values):
        self.controls.append((name, type_word))
        self.section(name, values)

    def obj(self, name, type_word, values):
        self.objects.append((name, type_word))
        self.section(name, values)

    def write(self, path):
        lines = []
        for name in self.order:
            lines.append("[%s]" % name)
            lines += ["%s=%s" % kv for kv in self.sections[name]]
            lines.append("")
        for title, entries in (("SKINOBJECTS", self.objects), ("SKINCONTROLS", self.controls)):
            lines.append("[%s]" % title)
            lines.append("count=%d" % len(entries))
            lines += ["%d=%s:%s" % (i, n, t) for i, (n, t) in enumerate(entries)]
            lines.append("")
        with open(path, "w", newline="\r\n") as f:
            f.write("\n".join(lines))


def nine(w, h, left, top, right=None, bottom=None):
    """The nine-part geometry of a w x h picture with fixed borders (relative to it)."""
    right = left if right is None else right
    bottom = top if bottom is None else bottom
    return [("lefttoppoint", (left, top)), ("righttoppoint", (w - right, top)),
            ("leftbottompoint", (left, h - bottom)), ("rightbottompoint", (w - right, h - bottom)),
            ("clientrect", (left, top, w - right, h - bottom))]


def stretch_all(stretch_client=True):
    return [("leftstretch", True), ("topstretch", True), ("rightstretch", True),
            ("bottomstretch", True), ("stretcheffect", stretch_client), ("stretchtype", "stfull")]


def font(colour=TEXT, style="", height=FONT_HEIGHT, prefix=""):
    return [(prefix + "fontname", FONT), (prefix + "fontstyle", style),
            (prefix + "fontheight", height), (prefix + "fontcolor", tcolor(colour))]


def size(r):
    return r[2] - r[0], r[3] - r[1]


# ---------------------------------------------------------------------------------------
# The frame

FRAME_W, FRAME_H = 360, 180
CAPTION_H = 26
BORDER = 4
CLIENT = (BORDER, CAPTION_H, FRAME_W - BORDER, FRAME_H - BORDER)
CAPTION_RECT = (BORDER, 4, FRAME_W - BORDER - 2, 22)
BUTTON_W, BUTTON_H = 19, 18


def draw_frame(active):
    sheet = Sheet("frame.bmp" if active else "frame_inactive.bmp", FRAME_W, FRAME_H)
    top, bottom = CAPTION if active else CAPTION_INACTIVE
    edge = FRAME_EDGE if active else FRAME_EDGE_INACTIVE
    fill(sheet, (0, 0, FRAME_W, FRAME_H), bottom)
    vgradient(sheet, (0, 0, FRAME_W, CAPTION_H), top, bottom)
    sheet.draw.line((1, 1, FRAME_W - 2, 1), fill=mix(top, LIGHT, 0.35))
    frame_rect(sheet, (0, 0, FRAME_W, FRAME_H), edge)
    fill(sheet, CLIENT, FACE)
    frame_rect(sheet, (CLIENT[0] - 1, CLIENT[1] - 1, CLIENT[2] + 1, CLIENT[3] + 1), edge)
    sheet.used = FRAME_H
    return sheet


def caption_background(sheet, r, active):
    """The caption band behind a caption button, as the frame shows it there."""
    top, bottom = CAPTION if active else CAPTION_INACTIVE
    y0 = CAPTION_RECT[1]
    for i in range(r[3] - r[1]):
        fill(sheet, (r[0], r[1] + i, r[2], r[1] + i + 1), mix(top, bottom, (y0 + i) / (CAPTION_H - 1)))


def glyph(sheet, r, kind, colour):
    d = sheet.draw
    x = r[0] + (r[2] - r[0] - 10) // 2
    y = r[1] + (r[3] - r[1] - 10) // 2
    if kind == "close":
        for dx in (0, 1):
            d.line((x + dx, y, x + 8 + dx, y + 8), fill=colour)
            d.line((x + 8 + dx, y, x + dx, y + 8), fill=colour)
    elif kind == "max":
        d.rectangle((x, y, x + 9, y + 8), outline=colour)
        d.line((x, y + 1, x + 9, y + 1), fill=colour)
    elif kind == "restore":
        d.rectangle((x + 3, y, x + 9, y + 5), outline=colour)
        d.rectangle((x, y + 3, x + 6, y + 8), outline=colour, fill=None)
        d.line((x, y + 4, x + 6, y + 4), fill=colour)
    elif kind == "min":
        d.rectangle((x + 1, y + 7, x + 8, y + 8), fill=colour)
    elif kind == "sysmenu":
        d.rectangle((x, y + 1, x + 9, y + 8), outline=colour)
        d.rectangle((x, y + 1, x + 9, y + 3), fill=colour)
    elif kind == "rollup":
        for i in range(4):
            d.line((x + 4 - i, y + 3 + i, x + 5 + i, y + 3 + i), fill=colour)
    elif kind == "rolldown":
        for i in range(4):
            d.line((x + 4 - i, y + 6 - i, x + 5 + i, y + 6 - i), fill=colour)
    elif kind == "tray":
        d.rectangle((x + 2, y + 6, x + 7, y + 8), fill=colour)


def draw_caption_buttons(skin):
    """Caption buttons: one row per glyph, columns normal, hot, pressed, inactive."""
    kinds = ["close", "max", "restore", "min", "sysmenu", "rollup", "rolldown", "tray"]
    sheet = Sheet("captionbuttons.bmp", 4 * (BUTTON_W + 2), background=CAPTION[1])
    cells = {}
    for kind in kinds:
        row = []
        for state in ("normal", "hot", "down", "inactive"):
            r = sheet.take(BUTTON_W, BUTTON_H)
            caption_background(sheet, r, state != "inactive")
            if state == "hot":
                box(sheet, r, ((120, 164, 222), (70, 118, 186), (200, 220, 250)), background=CAPTION[1])
                caption_corners(sheet, r, True)
            elif state == "down":
                box(sheet, r, ((30, 62, 116), (52, 92, 152), (200, 220, 250)), background=CAPTION[1])
                caption_corners(sheet, r, True)
            colour = LIGHT if state != "inactive" else (226, 228, 234)
            shift = 1 if state == "down" else 0
            glyph(sheet, offset(r, shift, shift), kind, colour)
            row.append(r)
        cells[kind] = row

    def button(name, kind, command, restore=None):
        normal, hot, down, inactive = cells[kind]
        values = [("skinrectinapicture", True), ("skinrect", normal), ("activeskinrect", hot),
                  ("inactiveskinrect", inactive), ("morphing", True), ("morphkind", "mkdefault"),
                  ("activepictureindex", 0), ("downrect", down), ("command", command)]
        if restore:
            r_normal, r_hot, r_down, r_inactive = cells[restore]
            values += [("restorerect", r_normal), ("restoreactiverect", r_hot),
                       ("restoredownrect", r_down), ("restoreinactiverect", r_inactive)]
        skin.obj(name, "stdbutton", values)

    button("closebutton", "close", "cmclose")
    button("maxbutton", "max", "cmmaximize", "restore")
    button("minbutton", "min", "cmminimize")
    button("sysmenubutton", "sysmenu", "cmsysmenu")
    button("rollupbutton", "rollup", "cmrollup", "rolldown")
    button("traybutton", "tray", "cmminimizetotray")
    return sheet


def caption_corners(sheet, r, active):
    """Gives a box on the caption band the caption's colour in its four corner pixels."""
    top, bottom = CAPTION if active else CAPTION_INACTIVE
    y0 = CAPTION_RECT[1]
    for (x, y) in ((r[0], r[1]), (r[2] - 1, r[1]), (r[0], r[3] - 1), (r[2] - 1, r[3] - 1)):
        sheet.image.putpixel((x, y), mix(top, bottom, (y0 + y - r[1]) / (CAPTION_H - 1)))


def frame_sections(skin):
    skin.section("FORMINFO", [
        ("lefttoppoint", (40, 40)), ("righttoppoint", (FRAME_W - 40, 40)),
        ("leftbottompoint", (40, FRAME_H - 40)), ("rightbottompoint", (FRAME_W - 40, FRAME_H - 40)),
        ("clientrect", CLIENT),
        ("captionrect", CAPTION_RECT), ("buttonsrect", (0, 0, 0, 0)), ("buttonsoffset", 2),
        ("buttonsinleft", False), ("iconrect", (0, 0, 0, 0)), ("mainmenurect", (0, 0, 0, 0)),
        ("mainmenupopupup", False), ("statusbarname", "statusbar"),
        ("sizegriparea", (0, 0, 0, 0)), ("maskrectarea", (0, 0, 0, 0)),
        ("borderwidth", BORDER), ("formminwidth", 160), ("cursorindex", -1),
        ("bgpictureindex", -1), ("mdibgpictureindex", -1),
        ("autorenderinginactiveimage", False), ("inactiveeffect", "iegrayscale"),
        ("mditabstransparent", False), ("mainmenubartransparent", False),
    ] + stretch_all(False) + [
        ("mdibgstretcheffect", False), ("mdibgstretchtype", "stfull"),
        ("rollupleftpoint", (40, 0)), ("rolluprightpoint", (FRAME_W - 40, 0)),
    ])
    skin.obj("caption", "caption", [
        ("skinrect", CAPTION_RECT), ("activeskinrect", (0, 0, 0, 0)), ("activepictureindex", -1),
        ("defaultcaption", True),
        ("textrect", (4, 0, CAPTION_RECT[2] - CAPTION_RECT[0] - 4, CAPTION_RECT[3] - CAPTION_RECT[1])),
        ("alignment", "taleftjustify"),
        ("fontcolor", tcolor((226, 230, 238))), ("activefontcolor", tcolor(LIGHT)),
        ("fontname", FONT), ("fontheight", FONT_HEIGHT), ("fontstyle", "fsbold"),
        ("shadow", True), ("shadowcolor", tcolor((96, 104, 118))),
        ("activeshadowcolor", tcolor((20, 44, 88))), ("light", False),
        ("stretcheffect", True), ("framecount", 0), ("animateinterval", 25),
    ])


# ---------------------------------------------------------------------------------------
# Controls

def draw_controls(skin):
    s = Sheet("controls.bmp", 512)
    P = [("pictureindex", 1)]

    def cells(w, h, looks, draw):
        out = []
        for look in looks:
            r = s.take(w, h)
            draw(r, look)
            out.append(r)
        return out

    # Push buttons and everything drawn like them.
    bw, bh = 60, 24
    normal, hot, down, disabled, focused = cells(bw, bh, [BUTTON, HOT, DOWN, DISABLED, BUTTON],
                                                 lambda r, look: box(s, r, look))
    frame_rect(s, focused, ACCENT)
    frame_rect(s, (focused[0] + 1, focused[1] + 1, focused[2] - 1, focused[3] - 1), ACCENT_LIGHT)

    def button_values(cells_, colours=(TEXT, TEXT, TEXT, DISABLED_TEXT), focus=None, corner=4):
        n, h_, d, dis = cells_
        w_, hh = size(n)
        values = P + [("skinrect", n)] + nine(w_, hh, corner, corner) + stretch_all() + [
            ("fontname", FONT), ("fontstyle", ""), ("fontheight", FONT_HEIGHT),
            ("fontcolor", tcolor(colours[0])), ("activefontcolor", tcolor(colours[1])),
            ("downfontcolor", tcolor(colours[2])), ("disabledfontcolor", tcolor(colours[3])),
            ("morphing", True), ("morphkind", "mkdefault"),
            ("activeskinrect", h_), ("downskinrect", d), ("disabledskinrect", dis),
            ("framecount", 0), ("animateinterval", 25)]
        if focus:
            values += [("focusedskinrect", focus), ("showfocus", True)]
        return values

    buttons = (normal, hot, down, disabled)
    skin.control("button", "button", button_values(buttons, focus=focused))
    for name in ("resizebutton", "menuitembutton", "editbutton", "combobutton",
                 "htracktoolbutton", "vtracktoolbutton"):
        skin.control(name, "button", button_values(buttons))

    # Tool bars and their flat buttons: at rest the button is the bar itself.
    tw, th = 60, 30
    toolbar = s.take(tw, th)
    vgradient(s, toolbar, *TOOLBAR)
    s.draw.line((toolbar[0], toolbar[1], toolbar[2] - 1, toolbar[1]), fill=LIGHT)
    s.draw.line((toolbar[0], toolbar[3] - 1, toolbar[2] - 1, toolbar[3] - 1), fill=SHADOW)
    panel_font = font()
    for name in ("toolpanel", "resizetoolpanel", "bigtoolpanel"):
        skin.control(name, "panel", P + [("skinrect", toolbar)] + nine(tw, th, 3, 2) +
                     stretch_all() + [("alignment", "tacenter")] + panel_font +
                     [("bgpictureindex", -1)])

    def toolbar_cell(r, look, marker=False, split=False):
        vgradient(s, r, *TOOLBAR)
        if look is not None:
            box(s, r, look, background=TOOLBAR[0])
        if split and look is not None:
            x = r[2] - 12
            s.draw.line((x, r[1] + 3, x, r[3] - 4), fill=look[2])
        if marker:
            arrow(s, (r[2] - 11, r[1], r[2], r[3]), "down", TEXT if look is not DISABLED else DISABLED_TEXT, 3)

    tool = cells(30, 30, [None, HOT, DOWN, None], lambda r, look: toolbar_cell(r, look))
    for name in ("toolbutton", "resizetoolbutton", "bigtoolbutton"):
        skin.control(name, "button", button_values(tool))
    for name, split in (("toolmenubutton", False), ("toolmenutrackbutton", True),
                        ("bigtoolmenubutton", False), ("bigtoolmenutrackbutton", True)):
        looks = cells(37, 30, [None, HOT, DOWN, DISABLED],
                      lambda r, look: toolbar_cell(r, look, True, split))
        values = button_values(looks)
        # The marker band stays at the right: the right part is 11 pixels wide.
        values = [(k, v) for k, v in values if k not in (
            "lefttoppoint", "righttoppoint", "leftbottompoint", "rightbottompoint", "clientrect")]
        values += nine(37, 30, 4, 4, 12, 4) + [("trackbuttonrect", (26, 0, 37, 30))]
        skin.control(name, "menubutton", values)

    # Panels.
    pw = 60
    panel = s.take(pw, pw)
    fill(s, panel, FACE)
    frame_rect(s, panel, SHADOW)
    s.draw.line((panel[0] + 1, panel[1] + 1, panel[2] - 2, panel[1] + 1), fill=LIGHT)
    s.draw.line((panel[0] + 1, panel[1] + 1, panel[0] + 1, panel[3] - 2), fill=LIGHT)
    skin.control("panel", "panel", P + [("skinrect", panel)] + nine(pw, pw, 3, 3) + stretch_all() +
                 [("alignment", "tacenter"), ("captionrect", (0, 0, 0, 0))] + panel_font +
                 [("bgpictureindex", -1)])

    status = s.take(60, 22)
    vgradient(s, status, FACE, FACE_DARK)
    s.draw.line((status[0], status[1], status[2] - 1, status[1]), fill=SHADOW)
    s.draw.line((status[0], status[1] + 1, status[2] - 1, status[1] + 1), fill=LIGHT)
    grip = s.take(12, 12)
    fill(s, grip, KEY)
    for gx, gy in ((9, 9), (5, 9), (1, 9), (9, 5), (5, 5), (9, 1)):
        fill(s, (grip[0] + gx - 1, grip[1] + gy - 1, grip[0] + gx + 1, grip[1] + gy + 1), SHADOW)
        fill(s, (grip[0] + gx, grip[1] + gy, grip[0] + gx + 1, grip[1] + gy + 1), LIGHT)
    skin.control("statusbar", "panel", P + [("skinrect", status)] + nine(60, 22, 2, 3, 2, 1) +
                 stretch_all() + [("alignment", "taleftjustify")] + panel_font +
                 [("bgpictureindex", -1), ("gripperrect", grip), ("grippertransparent", True),
                  ("grippertransparentcolor", tcolor(KEY))])

    # Check and radio boxes.
    strip = s.take(100, 20)
    fill(s, strip, FACE)
    strip_hot = s.take(100, 20)
    fill(s, strip_hot, ACCENT_LIGHT)

    def check_cell(look, checked, grayed=False, radio=False):
        r = s.take(14, 14)
        fill(s, r, FACE)
        top, bottom, border = look
        if radio:
            s.draw.ellipse((r[0], r[1], r[2] - 1, r[3] - 1), fill=border)
            s.draw.ellipse((r[0] + 1, r[1] + 1, r[2] - 2, r[3] - 2), fill=mix(top, bottom, 0.5))
            if checked:
                s.draw.ellipse((r[0] + 4, r[1] + 4, r[2] - 5, r[3] - 5),
                               fill=ACCENT_DARK if look is not DISABLED else DISABLED_TEXT)
        else:
            box(s, r, (WINDOW, mix(top, WINDOW, 0.5), border))
            if checked:
                tick(s, r[0] + 3, r[1] + 4, ACCENT_DARK if look is not DISABLED else DISABLED_TEXT)
            if grayed:
                fill(s, (r[0] + 4, r[1] + 4, r[2] - 4, r[3] - 4), SHADOW)
        return r

    for name, radio in (("checkbox", False), ("radiobox", True)):
        values = P + [("skinrect", strip)] + nine(100, 20, 0, 0) + [
            ("activeskinrect", strip_hot), ("checkimagearea", (2, 3, 16, 17)),
            ("textarea", (20, 0, 100, 20)),
            ("checkimagerect", check_cell(BUTTON, True, radio=radio)),
            ("uncheckimagerect", check_cell(BUTTON, False, radio=radio)),
            ("activecheckimagerect", check_cell(HOT, True, radio=radio)),
            ("activeuncheckimagerect", check_cell(HOT, False, radio=radio)),
            ("unenabledcheckimagerect", check_cell(DISABLED, True, radio=radio)),
            ("unenableduncheckimagerect", check_cell(DISABLED, False, radio=radio))]
        if not radio:
            values += [("grayedcheckimagerect", check_cell(BUTTON, False, grayed=True)),
                       ("activegrayedcheckimagerect", check_cell(HOT, False, grayed=True))]
        values += font() + [("activefontcolor", tcolor(ACCENT_DARK)),
                            ("unenabledfontcolor", tcolor(DISABLED_TEXT)),
                            ("framefontcolor", tcolor(TEXT)), ("morphing", True),
                            ("morphkind", "mkdefault")]
        skin.control(name, "checkradio", values)

    # Gauges.
    def gauge(name, w, h, vertical):
        trough = s.take(w, h)
        sunken(s, trough)
        bar = s.take(14, 20) if vertical else s.take(20, 14)
        if vertical:
            hgradient(s, bar, (96, 148, 222), ACCENT)
        else:
            vgradient(s, bar, (96, 148, 222), ACCENT)
        skin.control(name, "gauge", P + [("skinrect", trough)] + nine(w, h, 3, 3) + stretch_all() + [
            ("progressarea", (2, 2, w - 2, h - 2)), ("progressrect", bar),
            ("progressstretch", True), ("progresstransparent", False),
            ("vertical", vertical), ("beginoffset", 0), ("endoffset", 0)] + font())

    gauge("gauge", 100, 18, False)
    gauge("vgauge", 18, 100, True)

    # Track bars: a groove with a thumb; the "active" picture fills the groove up to it.
    def trackbar(name, w, h, vertical):
        rects = []
        for filled in (False, True):
            r = s.take(w, h)
            fill(s, r, FACE)
            if vertical:
                g = (r[0] + w // 2 - 2, r[1] + 6, r[0] + w // 2 + 2, r[3] - 6)
            else:
                g = (r[0] + 6, r[1] + h // 2 - 2, r[2] - 6, r[1] + h // 2 + 2)
            sunken(s, g, ACCENT if filled else WINDOW, SHADOW)
            rects.append(r)
        thumbs = []
        for look in (BUTTON, HOT):
            t = s.take(20, 11) if vertical else s.take(11, 20)
            fill(s, t, KEY)
            box(s, t, look, background=KEY, vertical=not vertical)
            thumbs.append(t)
        area = (0, 6, w, h - 6) if vertical else (6, 0, w - 6, h)
        geometry = nine(w, h, 2, 6) if vertical else nine(w, h, 6, 2)
        skin.control(name, "trackbar", P + [("skinrect", rects[0])] + geometry + stretch_all() + [
            ("activeskinrect", rects[1]), ("trackarea", area), ("buttonrect", thumbs[0]),
            ("activebuttonrect", thumbs[1]), ("vertical", vertical),
            ("buttontransparent", True), ("buttontransparentcolor", tcolor(KEY))])

    trackbar("htrackbar", 100, 22, False)
    trackbar("trackbar", 22, 100, True)

    # Labels.
    skin.control("stdlabel", "stdlabel", [("pictureindex", -1)] + font() +
                 [("activefontcolor", tcolor(ACCENT))])
    label = s.take(40, 18)
    fill(s, label, FACE)
    skin.control("label", "label", P + [("skinrect", label)] + nine(40, 18, 2, 0) +
                 stretch_all() + font())
    header = s.take(60, 20)
    vgradient(s, header, (226, 234, 246), (200, 214, 236))
    s.draw.line((header[0], header[3] - 1, header[2] - 1, header[3] - 1), fill=(150, 170, 204))
    skin.control("menuheader", "label", P + [("skinrect", header)] + nine(60, 20, 4, 0) +
                 stretch_all() + font(ACCENT_DARK, "fsbold"))
    skin.control("bevel", "bevel", [("pictureindex", -1), ("lightcolor", tcolor(LIGHT)),
                                    ("darkcolor", tcolor(SHADOW))])

    # Edits.
    def field(w, h, border):
        r = s.take(w, h)
        sunken(s, r, WINDOW, border)
        return r

    edit = field(60, 21, (132, 142, 160))
    edit_hot = field(60, 21, HOT[2])
    skin.control("edit", "edit", P + [("skinrect", edit)] + nine(60, 21, 3, 3) + stretch_all() + [
        ("activeskinrect", edit_hot)] + font() + [
        ("disabledfontcolor", tcolor(DISABLED_TEXT)), ("activefontcolor", tcolor(TEXT))])

    # A field with its buttons at the right; the looks of the buttons follow the field to
    # the right, at places relative to the field's own rectangle.
    def field_with_buttons(w, h, buttons, border=(132, 142, 160)):
        r = s.take(w + sum(3 * (size(b[0])[0] + 1) for b in buttons) + 1, h)
        sunken(s, (r[0], r[1], r[0] + w, r[3]), WINDOW, border)
        x = w + 1
        rel = []
        for placed, draw in buttons:
            draw((r[0] + placed[0], r[1] + placed[1], r[0] + placed[2], r[1] + placed[3]), BUTTON)
            states = []
            for look in (HOT, DOWN, DISABLED):
                bw_ = placed[2] - placed[0]
                q = (r[0] + x, r[1] + placed[1], r[0] + x + bw_, r[1] + placed[3])
                draw(q, look)
                states.append((x, placed[1], x + bw_, placed[3]))
                x += bw_ + 1
            rel.append((placed, states))
        return (r[0], r[1], r[0] + w, r[3]), rel

    def arrow_button(direction):
        def draw(q, look):
            box(s, q, look, background=WINDOW)
            arrow(s, q, direction, TEXT if look is not DISABLED else DISABLED_TEXT, 3)
        return draw

    def button_with_arrow(rect_, direction):
        return (rect_, arrow_button(direction))

    bedit, rel = field_with_buttons(60, 21, [button_with_arrow((43, 2, 58, 19), "down")])
    (brect, (bhot, bdown, bdis)), = rel
    skin.control("buttonedit", "edit", P + [("skinrect", bedit)] + nine(60, 21, 3, 3, 18, 3) +
                 stretch_all() + [("activeskinrect", (0, 0, 0, 0))] + font() + [
        ("disabledfontcolor", tcolor(DISABLED_TEXT)), ("activefontcolor", tcolor(TEXT)),
        ("buttonrect", brect), ("activebuttonrect", bhot), ("downbuttonrect", bdown),
        ("unenabledbuttonrect", bdis)])

    spin, rel = field_with_buttons(60, 21, [button_with_arrow((46, 1, 59, 10), "up"),
                                            button_with_arrow((46, 11, 59, 20), "down")])
    (up, (uhot, udown, _)), (dn, (dhot, ddown, _)) = rel
    skin.control("spinedit", "spinedit", P + [("skinrect", spin)] + nine(60, 21, 3, 3, 15, 3) +
                 stretch_all() + [("activeskinrect", (0, 0, 0, 0))] + font() + [
        ("activefontcolor", tcolor(TEXT)), ("disabledfontcolor", tcolor(DISABLED_TEXT)),
        ("upbuttonrect", up), ("activeupbuttonrect", uhot), ("downupbuttonrect", udown),
        ("downbuttonrect", dn), ("activedownbuttonrect", dhot), ("downdownbuttonrect", ddown)])

    # Up-downs: both buttons make the picture; the other looks follow at the right.
    for name, (first, second), w, h, split in (
            ("hupdown", ("right", "left"), 32, 17, "h"), ("vupdown", ("up", "down"), 16, 34, "v")):
        looks = (BUTTON, HOT, DOWN)
        cell = s.take(w * 3 + 4, h)
        places = []
        for i, look in enumerate(looks):
            x0 = cell[0] + i * (w + 2)
            if split == "h":
                b1 = (x0 + w // 2, cell[1], x0 + w, cell[3])  # right: the up (increase) button
                b2 = (x0, cell[1], x0 + w // 2, cell[3])
            else:
                b1 = (x0, cell[1], x0 + w, cell[1] + h // 2)
                b2 = (x0, cell[1] + h // 2, x0 + w, cell[3])
            for b, direction in ((b1, first), (b2, second)):
                box(s, b, look)
                arrow(s, b, direction, TEXT, 3)
            places.append((offset(b1, -cell[0], -cell[1]), offset(b2, -cell[0], -cell[1])))
        (up, dn), (uhot, dhot), (udown, ddown) = places
        skin.control(name, "updown", P + [("skinrect", (cell[0], cell[1], cell[0] + w, cell[3]))] + [
            ("upbuttonrect", up), ("activeupbuttonrect", uhot), ("downupbuttonrect", udown),
            ("downbuttonrect", dn), ("activedownbuttonrect", dhot), ("downdownbuttonrect", ddown)])

    # Lists.
    lst = s.take(60, 60)
    sunken(s, lst)
    items = []
    for colours in ((WINDOW, WINDOW), ((86, 136, 206), ACCENT), ((86, 136, 206), ACCENT)):
        r = s.take(40, 18)
        vgradient(s, r, *colours)
        items.append(r)
    frame_rect(s, items[2], ACCENT_DARK)
    list_items = [("itemrect", items[0]), ("activeitemrect", items[1]), ("focusitemrect", items[2]),
                  ("itemleftoffset", 2), ("itemrightoffset", 2), ("itemtextrect", (4, 0, 36, 18))]
    skin.control("listbox", "listbox", P + [("skinrect", lst)] + nine(60, 60, 2, 2) + stretch_all() +
                 list_items + font() + [
        ("activefontcolor", tcolor(LIGHT)), ("focusfontcolor", tcolor(LIGHT)),
        ("captionrect", (0, 0, 0, 0))] + font(prefix="caption") + [
        ("hscrollbarname", "hscrollbar"), ("vscrollbarname", "vscrollbar"),
        ("bothhscrollbarname", "bothhscrollbar"), ("showfocus", True)])

    combo, rel = field_with_buttons(80, 21, [button_with_arrow((63, 2, 78, 19), "down")])
    (crect, (chot, cdown, cdis)), = rel
    combo_hot = s.take(80, 21)
    sunken(s, combo_hot, WINDOW, HOT[2])
    arrow_button("down")((combo_hot[0] + 63, combo_hot[1] + 2, combo_hot[0] + 78, combo_hot[1] + 19), BUTTON)
    skin.control("combobox", "combobox", P + [("skinrect", combo)] + nine(80, 21, 3, 3, 18, 3) +
                 stretch_all() + list_items + font() + [
        ("focusfontcolor", tcolor(LIGHT)), ("activefontcolor", tcolor(LIGHT)),
        ("buttonrect", crect), ("activebuttonrect", offset(chot, combo[0], combo[1])),
        ("downbuttonrect", offset(cdown, combo[0], combo[1])),
        ("unenabledbuttonrect", offset(cdis, combo[0], combo[1])),
        ("itemstretcheffect", True), ("focusitemstretcheffect", True),
        ("activeskinrect", combo_hot), ("showfocus", True), ("listboxname", "listbox")])

    skin.control("listview", "listview", [("pictureindex", -1)] + font() +
                 [("bgcolor", tcolor(WINDOW))])

    # Tabs and the page under them.
    page = s.take(60, 60)
    fill(s, page, FACE)
    frame_rect(s, page, SHADOW)
    s.draw.line((page[0] + 1, page[1] + 1, page[2] - 2, page[1] + 1), fill=LIGHT)
    tabs = []
    for look, tall in ((BUTTON, False), (((255, 255, 255), FACE, SHADOW), True), (BUTTON, True), (HOT, False)):
        r = s.take(50, 22)
        fill(s, r, FACE)
        box(s, r if tall else (r[0], r[1] + 2, r[2], r[3]), look)
        if tall:
            fill(s, (r[0] + 1, r[3] - 1, r[2] - 1, r[3]), look[1])
        tabs.append(r)
    frame_rect(s, (tabs[2][0] + 3, tabs[2][1] + 3, tabs[2][2] - 3, tabs[2][3] - 3), ACCENT_LIGHT)
    tabs_bg = s.take(20, 22)
    fill(s, tabs_bg, FACE)
    close = []
    for look in (None, HOT, DOWN):
        r = s.take(14, 14)
        fill(s, r, KEY)
        if look:
            box(s, r, look, background=KEY)
        glyph(s, (r[0] + 1, r[1] + 1, r[2] + 1, r[3] + 1), "close", TEXT)
        close.append(r)
    skin.control("tab", "tab", P + [("skinrect", page), ("clientrect", (3, 3, 57, 57)),
                                    ("lefttoppoint", (6, 6)), ("righttoppoint", (54, 6)),
                                    ("leftbottompoint", (6, 54)), ("rightbottompoint", (54, 54)),
                                    ("tabrect", tabs[0]), ("activetabrect", tabs[1]),
                                    ("focustabrect", tabs[2]), ("mouseintabrect", tabs[3]),
                                    ("tabsbgrect", tabs_bg), ("tableftoffset", 4),
                                    ("tabrightoffset", 4)] + font() + [
        ("activefontcolor", tcolor(TEXT)), ("focusfontcolor", tcolor(TEXT)),
        ("mouseinfontcolor", tcolor(ACCENT_DARK)), ("updown", "hupdown"), ("bgpictureindex", -1),
        ("tabstretcheffect", True), ("leftstretch", True), ("topstretch", True),
        ("rightstretch", True), ("bottomstretch", True), ("showfocus", False),
        ("focusoffsetx", 0), ("focusoffsety", 0), ("stretcheffect", True), ("stretchtype", "stfull"),
        ("closebuttonrect", close[0]), ("closebuttonactiverect", close[1]),
        ("closebuttondownrect", close[2]), ("buttontransparent", True),
        ("buttontransparentcolor", tcolor(KEY))])

    # Slider: rulers, and thumbs of two looks side by side (normal left, pressed right).
    hruler = s.take(100, 6)
    sunken(s, hruler, WINDOW, SHADOW)
    vruler = s.take(6, 100)
    sunken(s, vruler, WINDOW, SHADOW)
    hthumb = s.take(22, 14)
    vthumb = s.take(28, 11)
    for r, half, vertical in ((hthumb, 11, False), (vthumb, 14, True)):
        for i, look in enumerate((BUTTON, DOWN)):
            q = (r[0] + i * half, r[1], r[0] + (i + 1) * half, r[3])
            box(s, q, look, vertical=not vertical)
    skin.control("slider", "slider", [("pictureindex", 1), ("hrulerrect", hruler),
                                      ("hthumbrect", hthumb), ("vrulerrect", vruler),
                                      ("vthumbrect", vthumb), ("edgesize", 3),
                                      ("bgcolor", tcolor(FACE)), ("pointscolor", tcolor(SHADOW))])

    # The main-menu bar.
    bar = s.take(100, 22)
    vgradient(s, bar, FACE, FACE_DARK)
    s.draw.line((bar[0], bar[3] - 1, bar[2] - 1, bar[3] - 1), fill=SHADOW)
    skin.control("mainmenubar", "mainmenubar", P + [("skinrect", bar), ("itemsrect", (2, 0, 98, 22)),
                                                    ("menubaritem", "mainmenubaritem"),
                                                    ("closebutton", "mmclosebutton"),
                                                    ("maxbutton", "mmmaxbutton"),
                                                    ("minbutton", "mmminbutton"),
                                                    ("sysmenubutton", "mmsysmenubutton"),
                                                    ("trackmarkcolor", tcolor(TEXT)),
                                                    ("trackmarkactivecolor", tcolor(ACCENT)),
                                                    ("stretcheffect", True),
                                                    ("itemtransparent", True)])
    return s


def draw_scrollbar(skin, name, index, vertical, both=False):
    """A scroll bar at the origin of its own picture: the track with its two buttons, then
    the buttons' hot and pressed looks, the thumb's three looks and the grip."""
    length = 100
    thick = 17
    extra = thick if both else 0
    w, h = (thick, length) if vertical else (length + extra, thick)
    s = Sheet(name + ".bmp", 160, background=FACE)
    bar = s.take(w, h)
    assert bar[:2] == (0, 0)
    fill(s, bar, (226, 229, 235))
    frame_rect(s, bar, (206, 210, 218))
    first = (0, 0, thick, thick)
    second = (0, length - thick, thick, length) if vertical else (length - thick, 0, length, thick)
    dirs = ("up", "down") if vertical else ("left", "right")
    for r, d in ((first, dirs[0]), (second, dirs[1])):
        box(s, r, BUTTON)
        arrow(s, r, d, TEXT, 3)
    if both:
        fill(s, (length, 0, length + thick, thick), FACE)
    looks = {}
    s.x, s.y, s.row = 0, h + 2, 0
    for look in ("hot", "down"):
        for d in dirs:
            r = s.take(thick, thick)
            box(s, r, HOT if look == "hot" else DOWN)
            arrow(s, offset(r, 1, 1) if look == "down" else r, d, TEXT, 3)
            looks[(look, d)] = r
    thumbs = []
    for look in (BUTTON, HOT, DOWN):
        r = s.take(15, 30) if vertical else s.take(30, 15)
        box(s, r, look, vertical=not vertical)
        thumbs.append(r)
    grip = s.take(7, 8) if vertical else s.take(8, 7)
    fill(s, grip, KEY)
    for i in range(3):
        if vertical:
            s.draw.line((grip[0], grip[1] + 1 + 3 * i, grip[2] - 1, grip[1] + 1 + 3 * i), fill=DARK)
        else:
            s.draw.line((grip[0] + 1 + 3 * i, grip[1], grip[0] + 1 + 3 * i, grip[3] - 1), fill=DARK)
    track = (0, thick, thick, length - thick) if vertical else (thick, 0, length - thick, thick)
    geometry = nine(w, h, 0, thick, 0, thick) if vertical else nine(w, h, thick, 0, thick + extra, 0)
    skin.control(name, "scrollbar", [("pictureindex", index), ("skinrect", bar)] + geometry +
                 stretch_all() + [
        ("trackarea", track), ("upbuttonrect", first), ("downbuttonrect", second),
        ("activeupbuttonrect", looks[("hot", dirs[0])]), ("downupbuttonrect", looks[("down", dirs[0])]),
        ("activedownbuttonrect", looks[("hot", dirs[1])]),
        ("downdownbuttonrect", looks[("down", dirs[1])]),
        ("thumbrect", thumbs[0]), ("activethumbrect", thumbs[1]), ("downthumbrect", thumbs[2]),
        ("thumboffset1", 4), ("thumboffset2", 4), ("thumbstretcheffect", True),
        ("thumbtransparent", False), ("thumbminsize", 0), ("thumbminpagesize", 0),
        ("glyphrect", grip), ("activeglyphrect", grip), ("downglyphrect", grip),
        ("glyphtransparent", True), ("glyphtransparentcolor", tcolor(KEY))])
    return s


# ---------------------------------------------------------------------------------------
# Menus and hints

def draw_menus(skin):
    s = Sheet("menus.bmp", 256, background=WINDOW)
    iw, ih = 120, 22
    item = s.take(iw, ih)
    fill(s, item, WINDOW)
    fill(s, (item[0], item[1], item[0] + 24, item[3]), (238, 241, 246))
    s.draw.line((item[0] + 24, item[1], item[0] + 24, item[3] - 1), fill=(220, 225, 234))
    hot = s.take(iw, ih)
    fill(s, hot, WINDOW)
    box(s, (hot[0] + 1, hot[1], hot[2] - 1, hot[3]), ((96, 146, 214), ACCENT, ACCENT_DARK), background=WINDOW)
    divider = s.take(iw, 7)
    fill(s, divider, WINDOW)
    fill(s, (divider[0], divider[1], divider[0] + 24, divider[3]), (238, 241, 246))
    s.draw.line((divider[0] + 28, divider[1] + 3, divider[2] - 4, divider[1] + 3), fill=SHADOW)

    def sign(colour, kind):
        r = s.take(12, 12)
        fill(s, r, KEY)
        if kind == "check":
            tick(s, r[0] + 2, r[1] + 3, colour)
        elif kind == "radio":
            s.draw.ellipse((r[0] + 3, r[1] + 3, r[0] + 8, r[1] + 8), fill=colour)
        else:
            arrow(s, r, "right", colour, 4)
        return r

    signs = {(k, c): sign(colour, k) for k in ("check", "radio", "arrow")
             for c, colour in (("normal", TEXT), ("active", LIGHT))}
    skin.obj("menuitem", "menuitem", [
        ("activepictureindex", 2), ("skinrect", item), ("activeskinrect", hot),
        ("morphing", False), ("morphkind", "mkdefault"),
        ("dividerrect", divider), ("dividerleftoffset", 26), ("dividerrightoffset", 2),
        ("dividerstretcheffect", True), ("itemleftoffset", 26), ("itemrightoffset", 2),
        ("textrect", (28, 0, iw - 4, ih)), ("imagerect", (3, 3, 21, 19)),
        ("fontname", FONT), ("fontheight", FONT_HEIGHT), ("fontstyle", ""),
        ("fontcolor", tcolor(TEXT)), ("activefontcolor", tcolor(LIGHT)),
        ("unenabledfontcolor", tcolor(DISABLED_TEXT)),
        ("stretcheffect", True), ("inactivestretcheffect", True),
        ("framecount", 0), ("animateinterval", 25), ("useimagecolor", False),
        ("inactivetransparent", False),
        ("checkimagerect", signs[("check", "normal")]),
        ("activecheckimagerect", signs[("check", "active")]),
        ("radioimagerect", signs[("radio", "normal")]),
        ("activeradioimagerect", signs[("radio", "active")]),
        ("arrowimagerect", signs[("arrow", "normal")]),
        ("activearrowimagerect", signs[("arrow", "active")])])

    # The main-menu bar's items: at rest the bar shows through; hot and dropped looks.
    bw, bh = 60, 22
    bar_rest = s.take(bw, bh)
    vgradient(s, bar_rest, FACE, FACE_DARK)
    bar_hot = s.take(bw, bh)
    vgradient(s, bar_hot, FACE, FACE_DARK)
    box(s, (bar_hot[0], bar_hot[1] + 1, bar_hot[2], bar_hot[3] - 1), HOT, background=FACE)
    bar_down = s.take(bw, bh)
    vgradient(s, bar_down, FACE, FACE_DARK)
    box(s, (bar_down[0], bar_down[1] + 1, bar_down[2], bar_down[3] - 1), DOWN, background=FACE)
    skin.obj("mainmenubaritem", "mainmenubaritem", [
        ("activepictureindex", 2), ("skinrect", bar_rest), ("activeskinrect", bar_hot),
        ("downrect", bar_down), ("morphing", True), ("morphkind", "mkdefault"),
        ("textrect", (6, 0, bw - 6, bh)), ("itemleftoffset", 4), ("itemrightoffset", 4),
        ("stretcheffect", True), ("fontname", FONT), ("fontheight", FONT_HEIGHT),
        ("fontstyle", ""), ("fontcolor", tcolor(TEXT)), ("activefontcolor", tcolor(TEXT)),
        ("downfontcolor", tcolor(TEXT)), ("unenabledfontColor", tcolor(DISABLED_TEXT)),
        ("framecount", 0), ("animateinterval", 25)])

    # The buttons of a maximized MDI child on the main-menu bar.
    for name, kind, command in (("mmclosebutton", "close", "cmclose"),
                                ("mmmaxbutton", "restore", "cmmaximize"),
                                ("mmminbutton", "min", "cmminimize"),
                                ("mmsysmenubutton", "sysmenu", "cmsysmenu")):
        looks = []
        for look in (None, HOT, DOWN):
            r = s.take(16, 16)
            vgradient(s, r, FACE, FACE_DARK)
            if look:
                box(s, r, look, background=FACE)
            glyph(s, (r[0] - 1, r[1] - 1, r[2] + 1, r[3] + 1), kind, TEXT)
            looks.append(r)
        skin.obj(name, "mainmenubarbutton", [
            ("activepictureindex", 2), ("skinrectinapicture", True), ("skinrect", looks[0]),
            ("activeskinrect", looks[1]), ("downrect", looks[2]), ("command", command),
            ("morphing", False)])
    return s


def draw_popup(skin):
    w, h = 120, 100
    s = Sheet("popup.bmp", w, h, background=WINDOW)
    frame_rect(s, (0, 0, w, h), (120, 132, 152))
    frame_rect(s, (1, 1, w - 1, h - 1), (246, 248, 252))
    s.used = h
    skin.section("POPUPWINDOW", [
        ("windowpictureindex", 3), ("maskpictureindex", -1),
        ("lefttoppoint", (8, 8)), ("righttoppoint", (w - 8, 8)),
        ("leftbottompoint", (8, h - 8)), ("rightbottompoint", (w - 8, h - 8)),
        ("itemsrect", (3, 3, w - 3, h - 3)),
        ("scrollmarkercolor", tcolor(TEXT)), ("scrollmarkeractivecolor", tcolor(ACCENT)),
        ("cursorindex", -1)] + stretch_all(True))
    return s


def draw_hint(skin):
    w, h = 80, 40
    s = Sheet("hint.bmp", w, h, background=(255, 252, 232))
    vgradient(s, (1, 1, w - 1, h - 1), (255, 253, 240), (250, 242, 208))
    frame_rect(s, (0, 0, w, h), (150, 140, 100))
    s.used = h
    skin.section("HINTWINDOW", [
        ("windowpictureindex", 4), ("maskpictureindex", -1),
        ("lefttoppoint", (6, 6)), ("righttoppoint", (w - 6, 6)),
        ("leftbottompoint", (6, h - 6)), ("rightbottompoint", (w - 6, h - 6)),
        ("clientrect", (4, 4, w - 4, h - 4))] + font((48, 44, 30)) + stretch_all(True))
    return s


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    skin = Skin()
    skin.section("VERSION", [("skinname", "Default"), ("skinauthor", "Tavisco"),
                             ("authoremail", ""), ("authorurl", ""),
                             ("skincomments", "The default skin of Tavisco")])
    active = ["captionbuttons.bmp", "controls.bmp", "menus.bmp", "popup.bmp", "hint.bmp",
              "hscrollbar.bmp", "vscrollbar.bmp", "bothhscrollbar.bmp"]
    skin.section("PICTURES", [("picture", "frame.bmp"), ("inactivepicture", "frame_inactive.bmp"),
                              ("mask", ""), ("rolluppicture", ""), ("rollupmask", ""),
                              ("activepicturescount", len(active))] +
                 [(str(i), name) for i, name in enumerate(active)])
    frame_sections(skin)
    sheets = [draw_frame(True), draw_frame(False)]
    sheets.append(draw_caption_buttons(skin))
    sheets.append(draw_controls(skin))
    sheets.append(draw_menus(skin))
    sheets.append(draw_popup(skin))
    sheets.append(draw_hint(skin))
    sheets.append(draw_scrollbar(skin, "hscrollbar", 5, False))
    sheets.append(draw_scrollbar(skin, "vscrollbar", 6, True))
    sheets.append(draw_scrollbar(skin, "bothhscrollbar", 7, False, both=True))
    skin.section("SKINCOLORS", [
        ("cbtnface", tcolor(FACE)), ("cbtntext", tcolor(TEXT)), ("cwindow", tcolor(WINDOW)),
        ("cwindowtext", tcolor(TEXT)), ("chighlight", tcolor(ACCENT)),
        ("chighlighttext", tcolor(LIGHT)), ("cbtnhighlight", tcolor(LIGHT)),
        ("cbtnshadow", tcolor(SHADOW)), ("c3dlight", tcolor((226, 229, 235))),
        ("c3ddkshadow", tcolor(DARK))])
    skin.section("SKINAREAS", [("count", 0)])
    names = [s.name for s in sheets]
    assert names[0] == "frame.bmp" and names[1] == "frame_inactive.bmp"
    assert names[2:] == active, names
    for sheet in sheets:
        sheet.save(folder)
    skin.write(os.path.join(folder, "Default.ini"))


if __name__ == "__main__":
    main()
