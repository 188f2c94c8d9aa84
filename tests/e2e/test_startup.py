"""Start-up of the real Vantrel.exe under Wine: the command-line word, the
single instance, and the settings file named after the executable."""
import sys
import tempfile
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import vantrel_e2e as e2e  # noqa: E402

# A default machine whose data server does not exist: start-up reads it
# without a box, and the file-list refresh fails quietly.
QUIET_TABLE = {
    "machine": {"machine0": "MC1", "default": 0},
    "MC1": {"address": "127.0.0.9", "username": "nc", "password": "pw", "extention": 0},
}
SW_MINIMIZE, SW_RESTORE = 6, 9


def settings(x=None, y=None):
    data = {"table": {"machine": "machines.ini"}}
    if x is not None:
        data["window"] = {"X": x, "Y": y}
    return data


class StartupTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)
        e2e.kill_windows_of_class("Vantrel")

    def folder(self, ini=None, exe_name="Vantrel.exe"):
        folder = e2e.ProgramFolder(self.tmp.name, settings() if ini is None else ini, exe_name)
        folder.write_machine_table(QUIET_TABLE)
        return folder

    def vantrel_windows(self):
        return [w for w in e2e.top_level_windows() if w["class"] == "Vantrel"]

    def test_unknown_single_word_ends_at_once_without_a_window(self):
        folder = self.folder({"table": {"machine": "machines.ini"}, "Vantrel": {"systemlog": 1}})
        for word in ("help", "systems", "/version"):
            with self.subTest(word=word):
                app = e2e.Vantrel(folder, [word]).launch()
                seen = []
                while app.process.poll() is None:
                    seen += self.vantrel_windows()
                    time.sleep(0.05)
                    if len(seen) > 0:
                        break
                self.assertEqual(app.wait_exit(timeout=30), 0)
                self.assertEqual(seen + self.vantrel_windows(), [])
        self.assertEqual(folder.files("Log"), [], "a run without a window writes no log")

    def test_several_words_start_normally(self):
        with e2e.Vantrel(self.folder(), ["system", "version"]) as app:
            self.assertTrue(app.window_state()["visible"])
            self.assertEqual(app.list_lines()[2], "File Transfer Protocol Release Version R0.07.3037")
            app.close()
            self.assertEqual(app.wait_exit(), 0)

    def test_second_start_restores_and_foregrounds_the_first(self):
        folder = self.folder()
        with e2e.Vantrel(folder) as first:
            lines_before = first.list_lines()
            for args, minimise in (([], True), (["version"], False), ([], False)):
                with self.subTest(args=args, minimised=minimise):
                    if minimise:
                        first.show(SW_MINIMIZE)
                        e2e.wait_until(lambda: first.window_state()["iconic"], what="first window minimised")
                    second = e2e.Vantrel(folder, args).launch()
                    self.assertEqual(second.wait_exit(timeout=30), 0)
                    state = e2e.wait_until(
                        lambda: (lambda s: s if not s["iconic"] and s["foreground"] else None)(first.window_state()),
                        what="first window restored and in the foreground")
                    self.assertTrue(state["visible"])
                    self.assertEqual([w["hwnd"] for w in self.vantrel_windows()], [first.hwnd])
            # The second start passed nothing on: no new line, no box.
            self.assertEqual(first.list_lines(), lines_before)
            self.assertEqual(first.dialogs(), [])
            first.close()
            self.assertEqual(first.wait_exit(), 0)

    def test_renamed_executable_reads_its_own_settings_file(self):
        # a.b.exe uses a.b.ini: the last dot only ends the base name.
        folder = self.folder(settings(0, 0), exe_name="a.b.exe")
        e2e.write_ini(folder.path / "a.ini", settings(1, 1))
        e2e.write_ini(folder.path / "Vantrel.ini", settings(1, 1))
        with e2e.Vantrel(folder) as app:
            left, top = app.window_state()["rect"][:2]
            app.close()
            self.assertEqual(app.wait_exit(), 0)
        self.assertEqual((left, top), (0, 0))

        # Without its own file the same program is centred: the decoys were not read.
        (folder.path / "a.b.ini").unlink()
        with e2e.Vantrel(folder) as app:
            state = app.window_state()
        left, top, right, bottom = state["rect"]
        self.assertEqual(left, (state["screen_width"] - (right - left)) // 2)
        self.assertEqual(top, (state["screen_height"] - (bottom - top)) // 2)


if __name__ == "__main__":
    unittest.main()
