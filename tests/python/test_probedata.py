"""The Python package over the C interface: the round trips and damage cases the C++ suite
trusts, at the Python surface, the C interface's coders driven by a host's own handler, and the
package as Python programs use it: errors, copies, pickles, callbacks, closing, installing."""

import copy
import errno
import gc
import logging
import math
import os
import pickle
import shutil
import subprocess
import sys

import pytest

import probedata as pd

HERE = os.path.dirname(__file__)
DATA = os.path.join(HERE, "..", "data")


def golden(name: str) -> bytes:
    with open(os.path.join(DATA, name), "rb") as file:
        return file.read()


IMAGE = golden("probe21.bin")


def test_every_form_gives_back_the_record(tmp_path):
    record = pd.Record.from_image(IMAGE)
    assert (record.id, len(record.targets), record.default_direction) == (
        "DEMO-PROBE-01", 5, (0.0, 0.0, 1.0))
    assert record.targets[1] == pd.Target(2.5, (40.0, 0.0, 5.0), (0.6, 0.0, 0.8), 30.0)
    assert (record.checksum(), record.data_checksum()) == (0x92BE, 0xC616)
    assert record.to_image() == IMAGE
    assert record.to_xml().encode() == golden("probe.xml")
    assert pd.Record.from_xml(golden("probe.xml")) == record
    record.save(tmp_path / "p.xml")
    assert pd.Record.load(tmp_path / "p.xml") == record
    with pytest.raises(OSError) as caught:  # with the system's error and the path as given
        pd.Record.load(tmp_path / "none.xml")
    assert (caught.value.errno, caught.value.filename) == (errno.ENOENT, str(tmp_path / "none.xml"))
    copy = record.copy()
    copy.targets, copy.mask_thickness, copy.stored_checksum = [], 65535, 0xFFFFFFFF
    copy.id, copy.default_direction = "M\u00fcnchen \udcff", (1, -2, 0.5)
    again = pd.Record.from_xml(copy.to_xml())
    assert again == copy != record and again.id == "M\u00fcnchen \udcff"
    assert pd.Record.from_image(copy.to_image()).stored_checksum == 0xFFFF


def test_copies_and_pickles_are_independent_and_whole():
    record, report = pd.Record.from_image(IMAGE), pd.inspect(golden("damaged-rb.bin"))
    record.id, record.targets = b"NUL\0 \xff", record.targets + (pd.Target(math.nan, (0, 0, 0)),)
    for twin in (copy.copy(record), copy.deepcopy(record), pickle.loads(pickle.dumps(record))):
        assert twin == record
        del twin  # a copy that shared the handle freed it here
        gc.collect()
    record.id = "still mine"
    again = pickle.loads(pickle.dumps(report))
    assert again == report and again.record == report.record and again.items[1].fault == (
        pd.Fault.CHECKSUM_MISMATCH)


# Damaged images as the package hands them on: the block the report blames, its fault, what it
# says, and how many targets its record keeps (the library's own suite judges every damage).
DAMAGED = [
    ("damaged-rb.bin", golden("damaged-rb.bin"), "rigid body", "checksumMismatch",
     "rigid body checksum 0xB0E0 (computed 0xB0E1)", 0),
    ("cut", IMAGE[:200], "rigid body", "cutShort", "the image ends at byte 200", 5),
    ("blank", bytes(428), "version", "blankMemory", "all 428 bytes are 0x00", 0),
    ("major bit", IMAGE[:4] + b"\x03" + IMAGE[5:], "version", "unknownVersion",
     "version 3.1 is not one", 5),
]


@pytest.mark.parametrize("name,image,block,fault,message,kept", DAMAGED,
                         ids=[d[0] for d in DAMAGED])
def test_the_report_names_the_damaged_block(name, image, block, fault, message, kept):
    report = pd.inspect(image)
    damaged = [item for item in report.items if item.verdict == "damaged"]
    assert [(f"{item.name}", str(item.fault)) for item in damaged][:1] == [(block, fault)]
    assert not report.intact and message in report.damage
    assert len(report.record.targets) == kept
    with pytest.raises(pd.DecodeError, match=message.split(" (")[0]):
        pd.Record.from_image(image)


def test_the_report_of_an_intact_image():
    report = pd.inspect(IMAGE)
    assert (report.version, report.intact, report.damage, report.data_checksum) == (
        "2.1", True, "", 0xC616)
    rigid = report.items[1]
    assert (rigid.offset, rigid.length, rigid.stored_checksum, rigid.in_record) == (
        8, 388, 0xB0E0, True)
    assert rigid.fields[0] == pd.Field(8, 2, "target count: 5")
    assert "upper two bytes" in rigid.unchecked and report.items[4].stored_checksum is None
    assert pd.inspect(b"").version is None and pd.inspect(IMAGE[:200]).items[1].in_record


def far() -> pd.Record:
    record = pd.Record()
    record.targets = [pd.Target(1, (3e6, 0, 0))]
    return record


def closed(handle):
    handle.close()
    return handle


def setting(name, value, owner=pd.Record):
    return lambda: setattr(owner(), name, value)


# Each failure is a package error of its kind and the built-in error a Python program catches,
# raised before ctypes sees a value it would wrap or refuse.
@pytest.mark.parametrize("action,error,builtin,message", [
    (lambda: pd.Record.from_xml(golden("broken.xml")), pd.DecodeError, ValueError,
     "at line 35, column 12: .* \\(input stream error\\)"),
    (lambda: pd.Record().save("/"), pd.FileError, OSError, "cannot write \"/\""),
    (lambda: pd.Record().save("a\0b.xml"), pd.InvalidValueError, ValueError, "NUL"),
    (lambda: far().to_image(), pd.EncodeError, ValueError,
     "targets\\[0\\].position\\[0\\]: 3000000 is out of range"),
    (setting("mask_thickness", -1), pd.InvalidValueError, ValueError, "0 to 65535"),
    (setting("mask_thickness", 1.5), pd.InvalidTypeError, TypeError, "whole number, not float"),
    (setting("id", 123), pd.InvalidTypeError, TypeError, "str or bytes, not int"),
    (setting("default_direction", (1, 2)), pd.InvalidValueError, ValueError, "three"),
    (setting("targets", [(1, 2)]), pd.InvalidTypeError, TypeError, "Target values, not tuple"),
    (lambda: pd.Target(1, [1, 2, "x"]), pd.InvalidTypeError, TypeError, "three numbers"),
    (lambda: pd.check_fit("x"), pd.InvalidTypeError, TypeError, "Record, not str"),
    (lambda: pd.Record.from_image(5), pd.InvalidTypeError, TypeError, "bytes, not int"),
    (lambda: pd.SimulatedDevice(2**64 + 5), pd.InvalidValueError, ValueError, "4294967295"),
    (lambda: pd.Coder(object()), pd.InvalidTypeError, TypeError, "read\\(offset, length\\)"),
    (setting("on_saved", 3, pd.Coder), pd.InvalidTypeError, TypeError, "callable or None"),
    (setting("output_version", 0x21, pd.Coder), pd.InvalidTypeError, TypeError, "\"2.1\""),
    (lambda: closed(pd.Coder()).read_all(), pd.StateError, RuntimeError, "Coder is closed"),
    (lambda: closed(pd.Record()).id, pd.StateError, RuntimeError, "Record is closed"),
    (setting("mask_thicknes", 3), AttributeError, AttributeError, "mask_thicknes"),
    (setting("on_save", 3, pd.Coder), AttributeError, AttributeError, "on_save"),
])
def test_failures_are_package_errors_and_the_builtin_ones(action, error, builtin, message):
    with pytest.raises(error, match=message) as caught:
        action()
    assert isinstance(caught.value, builtin)


def test_values_behave_as_python_values():
    target, record = pd.Target(1, [1, 2, 3]), pd.Record()
    record.targets += (target,)
    assert record.targets == (target,) and {target: 1} and target.position == (1.0, 2.0, 3.0)


def test_check_fit_names_each_value():
    record = pd.Record.from_xml(golden("oversize.xml"))
    record.stored_checksum = 0x12345
    assert [(p.path, p.refused) for p in pd.check_fit(record)] == [
        ("targets[0].size", False), ("storedChecksum", False)]
    assert pd.check_fit(pd.Record.from_image(IMAGE)) == []


class Host:
    """A host's data handler: requests wait in a queue until the test delivers them."""

    def __init__(self, memory: bytes) -> None:
        self.memory, self.requests, self.refuse = bytearray(memory), [], False

    def read(self, offset, length):
        if self.refuse:
            raise IOError("device gone")
        self.requests.append(("read", offset, length))

    def save(self, offset, data):
        self.requests.append(("save", offset, data))

    def deliver(self, coder, ok=True):
        while self.requests:
            kind, offset, what = self.requests.pop(0)
            if kind == "read":
                coder.data_read(ok, offset, bytes(self.memory[offset:offset + what]) * ok)
            else:
                self.memory[offset:offset + len(what)] = what
                coder.data_saved(True, offset, what)


def test_a_host_handler_drives_the_coder():
    host, seen = Host(bytes(428)), []
    coder = pd.Coder(host)
    coder.on_saved, coder.on_error = seen.append, lambda: seen.append("error")
    coder.save(pd.Record.from_image(IMAGE))
    host.deliver(coder)
    assert seen == [True] and bytes(host.memory) == IMAGE
    coder = pd.Coder(host)  # new to the probe: a version read comes first
    coder.on_all_read, coder.on_error = seen.append, lambda: seen.append("error")
    coder.read_all()
    host.deliver(coder)
    coder.read_all()
    host.deliver(coder, ok=False)  # a failure names its read by the length requested
    assert (coder.record.id, coder.input_version, coder.error) == ("DEMO-PROBE-01", "2.1", 4)
    assert seen == [True, True, False] and "v1 over Host" in repr(coder)
    host.refuse, seen[:] = True, []
    with pytest.raises(OSError, match="device gone"):  # once the coder has told the failure
        coder.read_all()
    assert seen == ["error", False]


def test_the_simulated_device_and_its_faults():
    device, seen = pd.SimulatedDevice(), []
    writer = pd.Coder(device)
    writer.on_saved = lambda ok: seen.append(("saved", ok))
    writer.save(pd.Record.from_image(IMAGE))
    assert device.pump() == 1 and device.contents == IMAGE
    device.corrupt(12, 0x01)
    reader = pd.Coder(device)
    reader.on_all_read = lambda ok: seen.append(("all", ok))
    reader.read_all()
    device.pump()
    device.fail_next_read()
    reader.on_checksum_read = lambda ok: seen.append(("checksum", ok))
    reader.read_checksum()
    device.pump()
    assert seen == [("saved", True), ("all", False), ("checksum", False)]
    assert reader.error == 4 and pd.image_length("0.1") == 328
    reader.on_checksum_read = lambda ok: 1 / 0
    reader.read_checksum()
    with pytest.raises(ZeroDivisionError):  # from the call that delivered the result
        device.pump()
    with pd.SimulatedDevice(0, text=True, queued=False) as text:
        simulation = pd.Coder(text, "simulation")
        simulation.on_saved = seen.append
        simulation.save(pd.Record.from_image(IMAGE))
        assert text.contents == golden("probe.xml") and seen[-1] is True
        assert repr(text) == f"<probedata.SimulatedDevice of {len(text.contents)} bytes, text>"
    assert text.closed and pd.version()[:2] == (1, 1)


def test_library_errors_reach_the_logging_module(caplog):
    with caplog.at_level(logging.ERROR, logger="probedata"):
        with pytest.raises(pd.DecodeError):
            pd.Record.from_xml("<?xml")
    assert any("could not decode stream" in r.getMessage() for r in caplog.records)


def test_the_package_installs_with_pip(tmp_path):  # without the network
    source = shutil.copytree(os.path.join(HERE, "..", "..", "python"), tmp_path / "source")
    subprocess.run([sys.executable, "-m", "pip", "install", "-q", "--no-build-isolation",
                    "--no-deps", "--no-index", "--target", str(tmp_path), source], check=True)
    run = subprocess.run([sys.executable, "-c", "import probedata; print(probedata.__version__)"],
                         env=dict(os.environ, PYTHONPATH=str(tmp_path)), stdout=subprocess.PIPE)
    assert run.stdout.decode().strip() == pd.__version__ == "%d.%d.%d" % pd.version()
    assert (tmp_path / "probedata" / "py.typed").exists()
