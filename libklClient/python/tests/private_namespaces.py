"""pytest plugin (-p private_namespaces): every test in IPC, network and mount namespaces of its own, as
the C++ end-to-end tests run, so the daemon's fixed queue names and port never meet another's."""
import ctypes
import errno
import os
import subprocess

import pytest

CLONE_NEWNS, CLONE_NEWIPC, CLONE_NEWNET, CLONE_NEWUSER = 0x20000, 0x8000000, 0x40000000, 0x10000000
MS_BIND, MS_REC, MS_PRIVATE = 0x1000, 0x4000, 0x40000
libc = ctypes.CDLL(None, use_errno=True)


def write(path, text):
    with open(path, "w") as file:
        file.write(text)


def enter_user_namespace():
    """Without root, a user namespace grants the rights that the others need."""
    uid, gid = os.getuid(), os.getgid()
    if libc.unshare(CLONE_NEWUSER) != 0:
        raise OSError(ctypes.get_errno(), "cannot enter a user namespace")
    write("/proc/self/setgroups", "deny")
    write("/proc/self/uid_map", f"0 {uid} 1")
    write("/proc/self/gid_map", f"0 {gid} 1")


@pytest.fixture(autouse=True)
def private_namespaces():
    flags = CLONE_NEWIPC | CLONE_NEWNET | CLONE_NEWNS
    if libc.unshare(flags) != 0:
        if ctypes.get_errno() != errno.EPERM:
            raise OSError(ctypes.get_errno(), "cannot enter private namespaces")
        enter_user_namespace()
        assert libc.unshare(flags) == 0, os.strerror(ctypes.get_errno())
    # Where no system logger listens, the daemon's log lines would go to the console.
    assert libc.mount(None, b"/", None, MS_REC | MS_PRIVATE, None) == 0
    assert libc.mount(b"/dev/null", b"/dev/console", None, MS_BIND, None) == 0
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
