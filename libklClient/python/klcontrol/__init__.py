"""Drive klControlD and its simulated camera from Python.

Client sends client commands and reads their answers (decoded where the layout is known), watch()
yields the documents the daemon pushes, Simulator and Daemon start the programs for a test.
"""
import builtins
import socket
import subprocess
import time

from ._klcontrol import (CAMERA_QUEUE, DAEMON_QUEUE, NOTIFICATION_PORT, STOP_COMMAND, Answer, Argument,
                         Client, DaemonNotRunning, Error, NoAnswer, QueueNotifications, UsageError, Watch,
                         command_number, commands, hex, i32, queue_exists, str, u8, u16, u32, watch)
from . import _programs

__all__ = ["CAMERA_QUEUE", "DAEMON_QUEUE", "NOTIFICATION_PORT", "STOP_COMMAND", "Answer", "Argument", "Client", "Daemon", "DaemonNotRunning", "Error", "NoAnswer",
           "QueueNotifications", "Simulator", "SimulatorError", "UsageError", "Watch", "command_number",
           "commands", "hex", "i32", "queue_exists", "str", "u8", "u16", "u32", "watch"]

_START_SECONDS = 10


class SimulatorError(Error):
    """The simulated camera refused a control command, or did not start."""


def _wait_for(ready, process, what):
    """Waits until ready() while the process runs, at most _START_SECONDS."""
    end = time.monotonic() + _START_SECONDS
    while not ready():
        if process.poll() is not None:
            raise Error(f"{what} ended with status {process.returncode} before it was ready")
        if time.monotonic() > end:
            raise Error(f"{what} was not ready within {_START_SECONDS} s")
        time.sleep(0.02)


def _end(process):
    """Ends a started program: politely, then firmly after 5 s."""
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


class _Program:
    """A program started as a context manager: start() runs it and waits until _ready() holds."""

    def __init__(self, name, argv):
        self._name, self._argv = name, argv
        self._process = None

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()

    def start(self):
        """Starts the program and waits until it is ready."""
        self._process = subprocess.Popen(self._argv, stdin=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _wait_for(self._ready, self._process, self._name)


class Simulator(_Program):
    """klCameraSim, the simulated camera, started as a context manager and driven through its control
    interface (docs/simulator.md lists the commands and members)."""

    def __init__(self, model=57, fast=True, *, options=(), control="klCameraSim.ctl", program=None):
        self.model, self.control = model, control
        argv = [program or _programs.SIMULATOR, "--model", builtins.str(model), "--control", control]
        super().__init__("klCameraSim", argv + (["--fast"] if fast else []) + list(options))

    def _ready(self):
        """Its camera queue and control interface are up."""
        return queue_exists(CAMERA_QUEUE) and self._answers()

    def stop(self):
        """Ends the program (SIGTERM: it removes its queues)."""
        if self._process is not None:
            _end(self._process)

    def _answers(self):
        try:
            self.ctl("ping")
            return True
        except OSError:
            return False

    def ctl(self, *words):
        """Sends one control command; the reply after "ok" (maybe ""). SimulatorError on "error"."""
        line = " ".join(builtins.str(word) for word in words)
        with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as connection:
            connection.settimeout(10)
            connection.connect("\0" + self.control)
            connection.sendall(line.encode() + b"\n")
            reply = connection.makefile("rb").readline().decode(errors="replace").rstrip("\n")
        if reply == "ok" or reply.startswith("ok "):
            return reply[3:]
        raise SimulatorError(f"klCameraSim: {line}: {reply or 'no reply'}")

    def set(self, member, value):
        """Changes a member ("status.battery_percent") as if on the camera."""
        self.ctl("set", member, value)

    def get(self, member):
        """A member's value."""
        return int(self.ctl("get", member), 0)

    def fault(self, request, kind, *values):
        """Arms a fault of request "G/I": fault("8/11", "nakoff", 3)."""
        self.ctl("fault", request, kind, *values)

    def event(self, *words):
        """Sends an event to the daemon ("JS", "JR", "PU", ...); the simulator's reply."""
        return self.ctl("event", *words)

    def counts(self):
        """Requests seen per "G/I", and "malformed": a dict of ints."""
        pairs = (item.split("=", 1) for item in self.ctl("counts").split())
        return {key: int(value) for key, value in pairs}


class Daemon(_Program):
    """klControlD, started as a context manager after the simulated camera (it opens the camera's
    queue at start), and stopped in order with command 97."""

    def __init__(self, *, program=None):
        super().__init__("klControlD", [program or _programs.DAEMON])

    def _ready(self):
        """Its queue exists and it listens for notification clients."""
        return queue_exists(DAEMON_QUEUE) and _listens(NOTIFICATION_PORT)

    def stop(self):
        """Command 97, then a signal when the daemon has not ended within 5 s."""
        if self._process is None or self._process.poll() is not None:
            return
        try:
            with Client(timeout=3) as client:
                client.send(STOP_COMMAND)
            self._process.wait(5)
        except (Error, subprocess.TimeoutExpired):
            _end(self._process)

    @property
    def returncode(self):
        return self._process.poll() if self._process else None


def _listens(port):
    """True when a TCP socket listens on the port (read from the kernel's table, not by connecting,
    which would make a notification client)."""
    with open("/proc/net/tcp") as table:
        return any(f":{port:04X} 00000000:0000 0A" in line for line in table)

