"""A person at an X display: starts Xvfb, finds windows, moves the mouse, types, looks at pixels."""

import os
import subprocess
import time


class Failure(Exception):
    pass


class Display:
    def __init__(self):
        read_end, write_end = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x900x24", "-nolisten", "tcp", "-dpi", "96"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise Failure("Xvfb did not start")
        self.env = dict(os.environ, DISPLAY=":" + number)
        self.env.pop("QT_QPA_PLATFORM", None)

    def close(self):
        self.server.terminate()
        self.server.wait()

    def xdotool(self, *args):
        result = subprocess.run(["xdotool", *map(str, args)], env=self.env, capture_output=True, text=True)
        return result.stdout.strip() if result.returncode == 0 else ""

    def windows(self, pid):
        """Visible windows of a process: {id: (name, x, y, width, height)}."""
        found = {}
        for window in self.xdotool("search", "--onlyvisible", "--pid", pid).split():
            name = self.xdotool("getwindowname", window)
            geometry = self.xdotool("getwindowgeometry", "--shell", window)
            values = dict(line.split("=") for line in geometry.splitlines() if "=" in line)
            if values:
                found[window] = (name, int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"]))
        return found

    def wait_for_window(self, pid, name, timeout=20, gone=False):
        deadline = time.time() + timeout
        while time.time() < deadline:
            matches = [(w, g) for w, g in self.windows(pid).items() if g[0] == name]
            if matches and not gone:
                return matches[0]
            if not matches and gone:
                return None
            time.sleep(0.1)
        raise Failure(f"window '{name}' {'still there' if gone else 'did not appear'} after {timeout} s")

    def click(self, x, y, button=1):
        self.xdotool("mousemove", x, y)
        time.sleep(0.15)
        self.xdotool("click", button)
        time.sleep(0.3)

    def drag(self, start, end, steps=12):
        self.xdotool("mousemove", *start)
        time.sleep(0.2)
        self.xdotool("mousedown", 1)
        time.sleep(0.2)
        for step in range(1, steps + 1):
            self.xdotool("mousemove", start[0] + (end[0] - start[0]) * step // steps,
                         start[1] + (end[1] - start[1]) * step // steps)
            time.sleep(0.05)
        time.sleep(0.2)
        self.xdotool("mouseup", 1)
        time.sleep(0.4)

    def type_text(self, text):
        self.xdotool("type", "--delay", "20", text)
        time.sleep(0.2)

    def key(self, *keys):
        self.xdotool("key", *keys)
        time.sleep(0.4)

    def screenshot(self, path, window="root"):
        subprocess.run(["import", "-window", str(window), path], env=self.env, check=True)
        return Image.load(path)


class Image:
    """An RGB picture read through ImageMagick as a PPM."""

    def __init__(self, width, height, pixels):
        self.width, self.height, self.pixels = width, height, pixels

    @staticmethod
    def load(path):
        data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], capture_output=True, check=True).stdout
        fields, at = [], 0
        while len(fields) < 4:  # magic, width, height, maximum
            while data[at:at + 1].isspace():
                at += 1
            start = at
            while not data[at:at + 1].isspace():
                at += 1
            fields.append(data[start:at])
        return Image(int(fields[1]), int(fields[2]), data[at + 1:])

    def dark(self, x, y, threshold=110):
        at = 3 * (y * self.width + x)
        return sum(self.pixels[at:at + 3]) < 3 * threshold

    def highlighted(self, x, y):
        """A pixel of the selection colour (blue): selected list items show their text on it."""
        r, g, b = self.pixels[3 * (y * self.width + x):3 * (y * self.width + x) + 3]
        return b > r + 60

    def dark_rows(self, left, top, width, height, test=None):
        """Bands of rows holding dark pixels: [(first, last)] in picture coordinates."""
        test = test or self.dark
        bands, start = [], None
        for y in range(top, top + height):
            inked = any(test(x, y) for x in range(left, left + width))
            if inked and start is None:
                start = y
            if not inked and start is not None:
                bands.append((start, y - 1))
                start = None
        if start is not None:
            bands.append((start, top + height - 1))
        return bands

    def glyphs(self, left, top, width, height):
        """The inked column groups of a line of text, each as a tuple of its dark-pixel rows."""
        shapes, current = [], []
        for x in range(left, left + width):
            column = tuple(y - top for y in range(top, top + height) if self.dark(x, y))
            if column:
                current.append(column)
            elif current:
                shapes.append(tuple(current))
                current = []
        if current:
            shapes.append(tuple(current))
        return shapes
