#!/usr/bin/env python3
"""ケナリス used as a person would: a real X server, the real program, the mouse and the keyboard.

Usage: e2e_window.py KENARIS_PROGRAM OUTPUT_FOLDER
Screenshots of the main window and of the width dialog are left in OUTPUT_FOLDER.
"""

import os
import subprocess
import sys
import tempfile
import time

from x11 import Display, Failure

TWIPS = {  # left, top, width, height of the controls used, in twips
    "cmdFile": (600, 6360, 1095, 495),
    "cmd開始": (4200, 6360, 1095, 495),
    "cmdClose": (5400, 6360, 1095, 495),
    "List0": (1320, 3840, 1575, 2220),
    "List2": (3240, 3840, 1575, 2220),
    "TAB": (1320 + 1800, 2760 + 240, 1215, 255),
    "Label0": (120, 360, 735, 255),
}
SJIS = "cp932"


def check(condition, what):
    if not condition:
        raise Failure(what)
    print("ok:", what)


class Window:
    """Maps the design's twips to screen pixels of one window."""

    def __init__(self, window_id, geometry, client_twips):
        self.id = window_id
        _, self.x, self.y, width, height = geometry
        self.scale = width / client_twips[0]
        self.top = height - round(client_twips[1] * self.scale)  # the menu bar, if any

    def scale_px(self, twips):
        return round(twips * self.scale)

    def rect(self, name):
        left, top, width, height = TWIPS[name]
        return (self.x + round(left * self.scale), self.y + self.top + round(top * self.scale),
                round(width * self.scale), round(height * self.scale))

    def centre(self, name, dx=None):
        left, top, width, height = self.rect(name)
        return left + (width // 2 if dx is None else dx), top + height // 2


class Session:
    def __init__(self, program, out_dir, work):
        self.display = Display()
        self.work = work
        self.out_dir = out_dir
        self.process = subprocess.Popen([program], env=self.display.env, cwd=work,
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        geometry = self.display.wait_for_window(self.process.pid, "ケナリス")
        self.main = Window(geometry[0], geometry[1], (6945, 7080))

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
        self.display.close()

    def new_window(self, known, timeout=20):
        deadline = time.time() + timeout
        while time.time() < deadline:
            fresh = {w: g for w, g in self.display.windows(self.process.pid).items() if w not in known}
            if fresh:
                time.sleep(0.3)  # let it draw and take the keyboard
                window, geometry = next(iter(fresh.items()))
                return window, geometry
            time.sleep(0.1)
        raise Failure("no new window appeared")

    def answer_file_dialog(self, known, path):
        """Types a full path into the file dialog that opens, the way a user would, and confirms it."""
        window, geometry = self.new_window(known)
        _, x, y, width, height = geometry
        self.display.xdotool("mousemove", x + width // 2, y + height // 2)
        self.display.key("ctrl+a")
        self.display.type_text(path)
        self.display.key("Return")
        self.wait_gone(window)

    def wait_gone(self, window, timeout=20):
        deadline = time.time() + timeout
        while window in self.display.windows(self.process.pid):
            if time.time() > deadline:
                raise Failure(f"window {window} did not close")
            time.sleep(0.1)

    def press_ok(self, title):
        """Waits for the message box titled `title`, then presses its OK button with the keyboard."""
        window, geometry = self.display.wait_for_window(self.process.pid, title)
        print(f"ok: a message box titled '{title}' opened")
        _, x, y, width, height = geometry
        self.display.xdotool("mousemove", x + width // 2, y + height // 2)
        self.display.key("Return")
        self.wait_gone(window)

    def pointer_on_main(self):
        """Clicks an empty spot of the main window, making it the active window for the keyboard."""
        self.display.click(self.main.x + self.main.scale_px(6000), self.main.y + self.main.top + self.main.scale_px(4500))

    def open_from_edit_menu(self, access_key):
        """Picks an item of the 編集 menu by its access key; returns the window it opens."""
        self.pointer_on_main()
        known = set(self.display.windows(self.process.pid))
        self.display.key("alt+e")
        self.display.key(access_key)
        return self.new_window(known)

    def list_rows(self, name, shot):
        """The items a list shows: lines of dark text, and the selected item drawn on the selection colour."""
        left, top, width, height = self.main.rect(name)
        area = (left + 3, top + 2, width - 6, height - 22)  # above a horizontal scroll bar
        return sorted(shot.dark_rows(*area) + shot.dark_rows(*area, test=shot.highlighted))


def japanese_is_drawn(shot, rect, characters):
    """True when the caption's glyphs differ from one another: missing glyphs are all the same empty box."""
    left, top, width, height = rect
    shapes = shot.glyphs(left, top, width, height)
    print(f"   caption has {len(shapes)} glyph groups, {len(set(shapes))} different")
    return len(shapes) >= characters - 1 and len(set(shapes)) >= characters - 1


def run(program, out_dir):
    work = tempfile.mkdtemp(prefix="kenaris-e2e-")
    source = os.path.join(work, "source.txt")
    output = os.path.join(work, "out.tsv")
    definition = os.path.join(work, "layout.def")
    with open(source, "wb") as f:
        f.write(b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcd\r\n0123456789012345678901234567890\r\n")

    session = Session(program, out_dir, work)
    display = session.display
    try:
        pid = session.process.pid
        main = session.main
        icon = subprocess.run(["xprop", "-id", main.id, "_NET_WM_ICON"], env=display.env, capture_output=True, text=True).stdout
        check("Icon (128 x 128)" in icon, "the window carries the program's icon")
        check(abs(main.scale - 96 / 1440) < 0.01, f"the window is laid out in twips at the screen's DPI (scale {main.scale:.4f})")

        # Choose the source file through the real file dialog, typing its path.
        known = set(display.windows(pid))
        display.click(*main.centre("cmdFile"))
        session.answer_file_dialog(known, source)
        time.sleep(0.5)
        shot = display.screenshot(os.path.join(out_dir, "main-window-preview.png"), main.id)
        shot = display.screenshot(os.path.join(work, "root.png"))
        rows = session.list_rows("List0", shot)
        check(len(rows) == 7, f"the sample list shows the seven fields of the first line (found {len(rows)})")
        check(japanese_is_drawn(shot, main.rect("Label0"), 4), "the caption 元データ is drawn with a real Japanese font")
        centre_of = lambda band: (band[0] + band[1]) // 2

        # Drag fields 3, 1 and 2 into the output list with the real mouse.
        target = main.centre("List2")
        list0_x = main.centre("List0")[0]
        for field in (3, 1, 2):
            display.drag((list0_x, centre_of(rows[field - 1])), target)
        shot = display.screenshot(os.path.join(work, "after-drag.png"))
        out_rows = session.list_rows("List2", shot)
        check(len(out_rows) == 3, f"three output columns after three drags (found {len(out_rows)})")

        # Select the second column (field 1) and remove it with the Delete key.
        display.click(target[0], centre_of(out_rows[1]))
        display.key("Delete")
        shot = display.screenshot(os.path.join(work, "after-delete.png"))
        check(len(session.list_rows("List2", shot)) == 2, "Delete removed one output column")

        # TAB as the delimiter, then convert; the save dialog asks for the output file.
        display.click(*main.centre("TAB", dx=round(120 * main.scale)))
        known = set(display.windows(pid))
        display.click(*main.centre("cmd開始"))
        session.answer_file_dialog(known, output)
        session.press_ok("変換終了")
        with open(output, "rb") as f:
            converted = f.read()
        check(converted == b"GHI\tDEF\r\n678\t345\r\n", f"the output file holds fields 3 and 2, TAB-separated ({converted!r})")

        # The field width dialog, from the keyboard alone: Tab from the list to the width box, the
        # name box next, Enter adds; Alt+C closes.
        fix_id, fix_geometry = session.open_from_edit_menu("d")
        check(fix_geometry[0] == "固定長データの指定", "文字長の指定(&D) opens the field width dialog")
        display.key("Tab", "Tab", "Tab", "Tab")
        display.type_text("6")
        display.key("Tab")
        display.type_text("NEW")
        display.key("Return")
        display.screenshot(os.path.join(out_dir, "width-dialog.png"), fix_id)
        display.key("alt+c")
        session.wait_gone(fix_id)

        # Save the layout as a definition file through the menu.
        session.pointer_on_main()
        known = set(display.windows(pid))
        display.key("alt+f")
        display.key("s")
        session.answer_file_dialog(known, definition)
        with open(definition, "rb") as f:
            saved = f.read()
        names = "".join(f"{w} データ{i}\r\n" for i, w in enumerate([3, 3, 3, 4, 4, 8, 5], 1))
        expected = ("FIX\r\nOUT\r\n3\r\n2\r\nLEN\r\n" + names + "6 NEW\r\n").encode(SJIS)
        check(saved == expected, "the definition file holds the output columns and the eight fields")

        # Change the stored layout behind the window's back, load it and convert again: the load took effect.
        with open(definition, "wb") as f:
            f.write(saved.replace(b"OUT\r\n3\r\n2\r\n", b"OUT\r\n1\r\n"))
        session.pointer_on_main()
        known = set(display.windows(pid))
        display.key("alt+f")
        display.key("o")
        session.answer_file_dialog(known, definition)
        time.sleep(0.3)
        shot = display.screenshot(os.path.join(work, "after-load.png"))
        display.screenshot(os.path.join(out_dir, "main-window-layout.png"), main.id)
        check(len(session.list_rows("List0", shot)) == 8, "元データ lists every field of the loaded layout")
        check(len(session.list_rows("List2", shot)) == 1, "the loaded definition shows one output column")

        # From the keyboard alone: 元データ has the focus after the load; Home, two steps down and
        # Enter add field 3; Tab goes on through 出力データ, 元ファイル and 保存 to 変換開始.
        display.key("Home", "Down", "Down", "Return")
        time.sleep(0.3)
        shot = display.screenshot(os.path.join(work, "after-keys.png"))
        check(len(session.list_rows("List2", shot)) == 2, "Enter on a field of 元データ adds it as a column")
        display.key("Tab", "Tab", "Tab", "Tab", "space")
        session.press_ok("変換終了")
        with open(output, "rb") as f:
            converted = f.read()
        check(converted == b"ABC\tGHI\r\n012\t678\r\n", f"the loaded layout converts fields 1 and 3 ({converted!r})")

        # The preview window shows the records cut into fields; it closes with the program.
        preview_id, preview_geometry = session.open_from_edit_menu("p")
        check(preview_geometry[0] == "プレビュー", "プレビュー(&P)... opens the preview window")
        time.sleep(0.5)
        display.screenshot(os.path.join(out_dir, "preview-window.png"), preview_id)

        # 閉じる ends the program.
        display.click(*main.centre("cmdClose"))
        check(session.process.wait(timeout=10) == 0, "閉じる ends the program")
        return 0
    except Failure as failure:
        display.screenshot(os.path.join(out_dir, "e2e-failure.png"))
        print("FAIL:", failure)
        return 1
    finally:
        session.close()
        log = session.process.stdout.read().decode(errors="replace") if session.process.stdout else ""
        if log.strip():
            print("program output:\n" + log)


if __name__ == "__main__":
    sys.exit(run(sys.argv[1], sys.argv[2]))
