# The state file of the desktop test clients: asked for by state.req, written
# whole (state.tmp renamed to state.txt), one fact a line.
import os

folder = os.environ["LIRANO_CLIENT_DIR"]


def asked():
    return os.path.exists(os.path.join(folder, "state.req"))


def answer(lines):
    tmp = os.path.join(folder, "state.tmp")
    with open(tmp, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")
    os.rename(tmp, os.path.join(folder, "state.txt"))
    os.unlink(os.path.join(folder, "state.req"))


def windows(x_ids=None, titles=None):
    """The two windows: by X id, or on Wayland, where there are none, by title."""
    if titles:
        return ["window main 1", "window other 2", "title main " + titles[0], "title other " + titles[1]]
    return ["window main %d" % x_ids[0], "window other %d" % x_ids[1]]
