#!/usr/bin/env python3
"""Draws the tool-bar pictures and the program mark as text pictures (.art).

Run it after changing a shape; the .art files it writes are the sources the build converts.
Each picture is composed of simple shapes (circles, rings, rounded boxes, thick strokes,
polygons) rendered with 4x4 supersampling; magenta (#FF00FF) marks the transparent pixels.
"""
import math
import os
import string

SIZE = 32
SS = 4
KEY = (255, 0, 255)


def seg_dist(px, py, ax, ay, bx, by):
    vx, vy = bx - ax, by - ay
    wx, wy = px - ax, py - ay
    t = max(0.0, min(1.0, (wx * vx + wy * vy) / (vx * vx + vy * vy)))
    dx, dy = px - (ax + t * vx), py - (ay + t * vy)
    return math.hypot(dx, dy)


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) <= r


def ring(cx, cy, r, w):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) <= w / 2


def box(x0, y0, x1, y1, r=0.0):
    def inside(x, y):
        qx = max(x0 + r - x, 0, x - (x1 - r))
        qy = max(y0 + r - y, 0, y - (y1 - r))
        return math.hypot(qx, qy) <= r if r else (x0 <= x <= x1 and y0 <= y <= y1)
    return inside


def stroke(points, w):
    def inside(x, y):
        return any(seg_dist(x, y, *points[i], *points[i + 1]) <= w / 2 for i in range(len(points) - 1))
    return inside


def polygon(points):
    def inside(x, y):
        c = False
        n = len(points)
        for i in range(n):
            x1, y1 = points[i]
            x2, y2 = points[(i + 1) % n]
            if (y1 > y) != (y2 > y) and x < (x2 - x1) * (y - y1) / (y2 - y1) + x1:
                c = not c
        return c
    return inside


def render(layers):
    pixels = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            colour = None  # transparent
            for shape, rgb in layers:
                hits = 0
                for sy in range(SS):
                    for sx in range(SS):
                        if shape(px + (sx + 0.5) / SS, py + (sy + 0.5) / SS):
                            hits += 1
                cover = hits / (SS * SS)
                if cover == 0:
                    continue
                if colour is None:
                    if cover >= 0.5:
                        colour = rgb
                else:
                    colour = tuple(round(c0 + (c1 - c0) * cover) for c0, c1 in zip(colour, rgb))
            row.append(colour or KEY)
        pixels.append(row)
    return pixels


def write(name, comment, pixels):
    keys = [a + b for a in string.ascii_letters + string.digits for b in string.ascii_letters + string.digits]
    palette = {KEY: '..'}
    for row in pixels:
        for rgb in row:
            if rgb not in palette:
                palette[rgb] = keys[len(palette) - 1]
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), name + '.art'), 'w') as out:
        out.write('; %s\n; Drawn by draw_toolbar.py; magenta is transparent.\n' % comment)
        out.write('width %d\nheight %d\nchars 2\ncolours\n' % (SIZE, SIZE))
        for rgb, key in palette.items():
            out.write('%s #%02X%02X%02X\n' % (key, *rgb))
        out.write('pixels\n')
        for row in pixels:
            out.write(''.join(palette[rgb] for rgb in row) + '\n')


def apply_picture():
    return [
        (box(5, 3, 23, 28, 2), (96, 104, 120)),
        (box(6, 4, 22, 27, 1.5), (250, 250, 252)),
        (box(6, 4, 22, 9, 1.5), (70, 120, 200)),
        (stroke([(9, 13), (19, 13)], 1.4), (150, 160, 175)),
        (stroke([(9, 17), (19, 17)], 1.4), (150, 160, 175)),
        (stroke([(9, 21), (15, 21)], 1.4), (150, 160, 175)),
        (stroke([(14.5, 21), (20, 26.5), (29, 14)], 6.0), (30, 110, 40)),
        (stroke([(14.5, 21), (20, 26.5), (29, 14)], 3.6), (80, 190, 80)),
    ]


def search_picture():
    return [
        (stroke([(19.5, 19.5), (28, 28)], 6.5), (70, 50, 40)),
        (stroke([(20.5, 20.5), (27.5, 27.5)], 3.5), (150, 100, 60)),
        (circle(13, 13, 10.5), (60, 70, 90)),
        (circle(13, 13, 8.3), (190, 225, 250)),
        (circle(10.5, 10.5, 3.2), (245, 252, 255)),
    ]


def help_picture():
    return [
        (circle(16, 16, 14.5), (20, 70, 160)),
        (circle(16, 16, 13), (50, 120, 220)),
        (circle(14, 12, 8), (80, 150, 235)),
        (stroke([(11, 12.5), (11.6, 9.5), (14, 7.6), (17.5, 7.6), (20.4, 9.6), (20.6, 12.6),
                 (18.6, 15), (16, 16.6), (16, 19.6)], 3.6), (255, 255, 255)),
        (circle(16, 24.2, 2.3), (255, 255, 255)),
    ]


def exit_picture():
    return [
        (box(4, 3, 19, 29, 1), (90, 60, 40)),
        (box(6, 5, 17, 29), (40, 30, 25)),
        (polygon([(6, 5), (14, 8), (14, 30), (6, 29)]), (170, 110, 60)),
        (circle(12, 18, 1.2), (240, 210, 120)),
        (polygon([(17, 13.5), (24, 13.5), (24, 9), (31, 16), (24, 23), (24, 18.5), (17, 18.5)]), (150, 20, 20)),
        (polygon([(18.3, 14.8), (25.2, 14.8), (25.2, 12), (29.2, 16), (25.2, 20), (25.2, 17.2), (18.3, 17.2)]),
         (230, 60, 50)),
    ]


def program_picture():
    return [
        (box(1, 1, 31, 31, 6), (20, 48, 104)),
        (box(2, 2, 30, 30, 5), (40, 100, 170)),
        (ring(16, 16, 10, 3), (255, 255, 255)),
        (stroke([(10.5, 16.5), (14.5, 20.5), (22, 11.5)], 4), (140, 220, 120)),
    ]


if __name__ == '__main__':
    write('tool_apply', 'Tool bar: apply the changes (a list with a tick).', render(apply_picture()))
    write('tool_search', 'Tool bar: search (a magnifier).', render(search_picture()))
    write('tool_help', 'Tool bar: help (a question mark).', render(help_picture()))
    write('tool_exit', 'Tool bar: exit (an open door and an arrow).', render(exit_picture()))
    write('program', 'The program mark: a ring with a tick.', render(program_picture()))
