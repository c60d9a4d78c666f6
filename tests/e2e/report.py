"""What the end-to-end test scripts share: the environment for a console program under Wine, and the report."""
import os


def wine_console_env(prefix):
    """Wine in its own prefix (made on first use), quiet, without installer prompts and without a display."""
    env = dict(os.environ, WINEPREFIX=os.path.abspath(prefix), WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    env.pop("DISPLAY", None)  # a console program needs no display
    return env


def finish(name, failures):
    """Prints each failure and a summary line; the exit code for the script."""
    for f in failures:
        print("FAIL " + f)
    print(f"{name}: " + ("ok" if not failures else f"{len(failures)} failed"))
    return 1 if failures else 0
