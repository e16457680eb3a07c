"""klcontrol end to end: the real klCameraSim and klControlD, a namespace of their own per test."""
import ctypes
import os
import re
import threading

import pytest

import klcontrol
from klcontrol import hex, i32, str as text, u8, u16, u32


@pytest.fixture
def camera():
    with klcontrol.Simulator(model=55) as simulator:
        yield simulator


@pytest.fixture
def client(camera):
    with klcontrol.Daemon(), klcontrol.Client() as commands:
        yield commands


def is_change(document):
    return "state" not in document and "settings" not in document.get("status", {"settings": 0})


def test_mode_change_shows_in_status_block_and_pushed_document(client, camera):
    with klcontrol.watch(timeout=10) as documents:
        assert "settings" in next(documents)  # the full document after the resume
        answer = client.send("mode", u32(1))
        assert (answer.status, answer.status_name, answer.payload, answer.decoded) == (0, "KL_OK", b"", None)
        assert client.send(33).decoded["mode"] == camera.get("status.mode") == 1
        assert next(documents)["status"]
    status = client.send("KLCONTROL_GET_ALL_STATUS")
    assert (status.name, len(status.payload), status.decoded["battery_percent"]) == ("KLCONTROL_GET_ALL_STATUS", 384, 100)
    assert status.text.startswith("mode ") and "battery % 100" in status.text
    assert camera.counts()["8/11"] >= 1


def test_decoded_payloads_are_dicts_of_the_shared_decoders(client, camera):
    snapshot = client.send("get_all_settings_status").decoded
    assert set(snapshot) == {"status", "settings", "lens_mode", "lens"}
    assert client.send("preset_get_active_group").decoded == {"value": camera.get("status.active_preset_group")}
    refused = client.send("get_all_status", u8(1))
    assert (refused.status, refused.decoded) == (-3, None)


def test_suspend_refuses_commands_until_resume(client):
    assert client.suspend().status == 0
    assert client.send("mode", u32(1)).status == 1
    assert client.resume().command == "JR"
    assert client.send("mode", u32(1)).status == 0


def test_queue_client_gets_the_full_document_then_the_change(client, camera):
    with klcontrol.QueueNotifications() as queue:
        assert "settings" in queue.next(timeout=5)
        camera.set("status.battery_percent", 42)
        assert any(queue.next(timeout=5).get("status", {}).get("70") == 42 for _ in range(3))


def test_watcher_and_commanding_threads_run_side_by_side(client):
    documents, first = [], threading.Event()

    def watch_two():
        for document in klcontrol.watch(count=2, timeout=20):
            documents.append(document)
            first.set()

    watcher = threading.Thread(target=watch_two)
    watcher.start()
    # The watcher now waits in the module for the change; were the GIL held, no command would run.
    assert first.wait(10)
    assert client.send("mode", u32(1)).status == 0
    watcher.join()
    assert len(documents) == 2 and "status" in documents[1]


def test_no_daemon_and_no_answer_raise_with_klctl_wording():
    with klcontrol.Client() as client:
        with pytest.raises(klcontrol.DaemonNotRunning,
                           match=r"^KLCONTROL_MODE \(4\): /to_klCtlD does not exist: is klControlD running\?$"):
            client.send("mode", u32(1))
        with pytest.raises(klcontrol.DaemonNotRunning, match=r"^suspend \(JS\): /to_klCtlD does not exist"):
            client.suspend()
        with pytest.raises(klcontrol.DaemonNotRunning, match="^watch: cannot connect to 127.0.0.1:8081: "):
            klcontrol.watch()
        # A daemon queue that nobody reads.
        librt = ctypes.CDLL("librt.so.1", use_errno=True)
        assert librt.mq_open(b"/to_klCtlD", os.O_RDONLY | os.O_CREAT, 0o600, None) >= 0
        with pytest.raises(klcontrol.NoAnswer, match=r"^command 98: no answer within 0.2 s$"):
            client.send(98, timeout=0.2)


HOSTILE = [
    (lambda c: c.send("no_such_command"), klcontrol.UsageError,
     'unknown command "no_such_command" (klctl --help lists them)'),
    (lambda c: c.send(2 ** 32), klcontrol.UsageError, "command number 4294967296 is not 32-bit unsigned"),
    (lambda c: c.send(-1), klcontrol.UsageError, "command number -1 is not 32-bit unsigned"),
    (lambda c: c.send(4.0), TypeError, "a command is a name (str) or a number (int), not float"),
    (lambda c: c.send(None), TypeError, "a command is a name (str) or a number (int), not NoneType"),
    (lambda c: c.send(True), TypeError, "a command is a name (str) or a number (int), not bool"),
    (lambda c: c.send("mode", 1), TypeError, "argument 1 is int; use klcontrol.u8/u16/u32/i32/str/hex or bytes"),
    (lambda c: c.send("mode", bytes(1437)), klcontrol.UsageError,
     "argument of 1437 bytes is too long (at most 1436)"),
    (lambda c: c.send("mode", text("x" * 1000), text("y" * 500)), klcontrol.UsageError,
     "argument of 1502 bytes is too long (at most 1436)"),
    (lambda c: c.send("mode", timeout=0), klcontrol.UsageError, "the time-out must be more than 0 seconds"),
    (lambda c: u8(256), klcontrol.UsageError, 'bad value in argument "u8:256"'),
    (lambda c: u8(-1), klcontrol.UsageError, 'bad value in argument "u8:-1"'),
    (lambda c: u16(1 << 16), klcontrol.UsageError, 'bad value in argument "u16:65536"'),
    (lambda c: u32(1 << 70), klcontrol.UsageError, 'bad value in argument "u32:1180591620717411303424"'),
    (lambda c: i32(1 << 31), klcontrol.UsageError, 'bad value in argument "i32:2147483648"'),
    (lambda c: u32("1"), TypeError, "u32() takes int, not str"),
    (lambda c: u8(True), TypeError, "u8() takes int, not bool"),
    (lambda c: u8(1.0), TypeError, "u8() takes int, not float"),
    (lambda c: text(b"x"), TypeError, "str() takes str, not bytes"),
    (lambda c: hex("abc"), klcontrol.UsageError, 'bad value in argument "hex:abc"'),
    (lambda c: hex("zz"), klcontrol.UsageError, 'bad value in argument "hex:zz"'),
    (lambda c: hex(7), TypeError, "hex() takes str or bytes, not int"),
    (lambda c: text("\udc80"), UnicodeEncodeError, None),
    (lambda c: c.send("\udc80"), UnicodeEncodeError, None),
    (lambda c: klcontrol.Client(timeout=-1), klcontrol.UsageError, "the time-out must be more than 0 seconds"),
    (lambda c: klcontrol.command_number([]), TypeError, "a command is a name (str) or a number (int), not list"),
]


@pytest.mark.parametrize("call,error,message", HOSTILE)
def test_hostile_values_raise_python_exceptions(call, error, message):
    with klcontrol.Client() as client:
        with pytest.raises(error) as raised:
            call(client)
    if message is not None:
        assert str(raised.value) == message
    assert isinstance(raised.value, klcontrol.Error) == (error is klcontrol.UsageError)


def test_arguments_encode_as_klctl_words():
    assert [argument.word for argument in (u8(7), u16(0x102), i32(-5), text("ab"), hex(b"\x00\xff"))] == [
        "u8:7", "u16:258", "i32:-5", "str:ab", "hex:00FF"]
    assert klcontrol.command_number("KLCONTROL_COMMAND_SHUTTER") == klcontrol.command_number("shutter") == 3
    assert (97, "KLCONTROL_WORKER_EXIT") == klcontrol.commands()[-1][:2]
    assert "KLCONTROL_WORKER_EXIT" in klcontrol.Client.__doc__


def test_simulator_refusals_raise(camera):
    with pytest.raises(klcontrol.SimulatorError, match="^klCameraSim: set no.such 1: error "):
        camera.set("no.such", 1)
    camera.fault("8/11", "nakoff", 1)
    assert camera.ctl("faults") == "8/11:nakoffx1"


def test_readme_example_runs_as_written():
    with open(os.path.join(os.environ["KL_SOURCE_DIR"], "README.md")) as readme:
        example = re.search(r"## From Python\n.*?```python\n(.*?)```", readme.read(), re.S).group(1)
    assert len(example.strip().splitlines()) <= 12
    exec(compile(example, "README.md", "exec"), {})
