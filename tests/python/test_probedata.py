"""The Python package over the C interface: the round trips and damage cases the C++ suite
trusts, at the Python surface, and the C interface's coders driven by a host's own handler."""

import logging
import os

import pytest

import probedata as pd

DATA = os.path.join(os.path.dirname(__file__), "..", "data")


def golden(name: str) -> bytes:
    with open(os.path.join(DATA, name), "rb") as file:
        return file.read()


IMAGE = golden("probe21.bin")


def edited(at: int, value: int, data: bytes = IMAGE) -> bytes:
    return data[:at] + bytes([value]) + data[at + 1:]


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
    copy = record.copy()
    copy.targets, copy.mask_thickness, copy.stored_checksum = [], 65535, 0xFFFFFFFF
    copy.id, copy.default_direction = "M\u00fcnchen \udcff", (1, -2, 0.5)
    again = pd.Record.from_xml(copy.to_xml())
    assert again == copy != record and again.id == "M\u00fcnchen \udcff"
    assert pd.Record.from_image(copy.to_image()).stored_checksum == 0xFFFF


# Each damaged image: the block the report blames, its fault, what it says, and how many targets
# its record keeps: a damaged version block leaves the others judged in the version that reads
# them.
DAMAGED = [
    ("damaged-rb.bin", golden("damaged-rb.bin"), "rigid body", "checksumMismatch",
     "rigid body checksum 0xB0E0 (computed 0xB0E1)", 0),
    ("damaged-dd.bin", golden("damaged-dd.bin"), "default direction", "checksumMismatch",
     "default direction checksum 0x03E8 (computed 0x03E9)", 5),
    ("cut", IMAGE[:200], "rigid body", "cutShort", "the image ends at byte 200", 5),
    ("blank", bytes(428), "version", "blankMemory", "all 428 bytes are 0x00", 0),
    ("magic", golden("magic.bin"), "version", "damagedMagic", "magic \"QMVC\"", 5),
    ("minor bit", edited(6, 0), "version", "damagedVersion", "the numbers give version 2.0", 5),
    ("major bit", edited(4, 3), "version", "unknownVersion", "version 3.1 is not one", 5),
]


@pytest.mark.parametrize("name,image,block,fault,message,kept", DAMAGED,
                         ids=[d[0] for d in DAMAGED])
def test_the_report_names_the_damaged_block(name, image, block, fault, message, kept):
    report = pd.inspect(image)
    damaged = [item for item in report.items if item.verdict == "damaged"]
    assert [(item.name, item.fault) for item in damaged][:1] == [(block, fault)]
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
    assert "upper two bytes of each position" in rigid.unchecked
    assert report.items[2].unchecked == "" and report.items[4].stored_checksum is None
    assert pd.inspect(b"").version is None and pd.inspect(IMAGE[:200]).items[1].in_record


def far() -> pd.Record:
    record = pd.Record()
    record.targets = [pd.Target(1, (3e6, 0, 0))]
    return record


@pytest.mark.parametrize("action,error,message", [
    (lambda: pd.Record.from_xml(golden("broken.xml")), pd.DecodeError,
     "at line 35, column 12: .* \\(input stream error\\)"),
    (lambda: pd.Record.load("/nonexistent/p.xml"), pd.FileError, "No such file"),
    (lambda: far().to_image(), pd.EncodeError,
     "targets\\[0\\].position\\[0\\]: 3000000 is out of range"),
    (lambda: setattr(pd.Record(), "mask_thickness", 65536), pd.ArgumentError, "65536"),
    (lambda: setattr(pd.Record(), "default_direction", (1, 2)), pd.ArgumentError, "three"),
    (lambda: pd.Coder(kind="v2"), pd.ArgumentError, "v1"),
    (lambda: pd.Coder().read_all(), pd.StateError, "no data handler"),
    (lambda: pd.Record().save("/"), pd.FileError, "cannot write \"/\""),
])
def test_failures_raise_with_the_library_reason(action, error, message):
    with pytest.raises(error, match=message):
        action()


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

    def deliver(self, coder):
        while self.requests:
            kind, offset, what = self.requests.pop(0)
            if kind == "read":
                coder.data_read(True, offset, bytes(self.memory[offset:offset + what]))
            else:
                self.memory[offset:offset + len(what)] = what
                coder.data_saved(True, offset, what)


def test_a_host_handler_drives_the_coder():
    host, seen = Host(bytes(428)), []
    coder = pd.Coder(host)
    coder.on_all_read, coder.on_saved = (lambda ok: seen.append(("all", ok)),
                                         lambda ok: seen.append(("saved", ok)))
    coder.on_error = lambda: seen.append("error")
    coder.save(pd.Record.from_image(IMAGE))
    host.deliver(coder)
    assert seen == [("saved", True)] and bytes(host.memory) == IMAGE
    coder = pd.Coder(host)  # new to the probe: a version read comes first
    coder.on_all_read, coder.on_error = seen.append, lambda: seen.append("error")
    coder.read_all()
    assert host.requests == [("read", 0, 8)]
    host.deliver(coder)
    assert seen[-1] is True
    assert (coder.record.id, coder.input_version, coder.error) == ("DEMO-PROBE-01", 0x21, 0)
    host.refuse = True
    coder.read_all()
    assert seen[-2:] == ["error", False] and coder.error == 4
    with pytest.raises(pd.StateError, match="awaits no read"):
        coder.data_read(True, 0, b"x")


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
    assert reader.error == 4 and pd.image_length(0x01) == 328
    text = pd.SimulatedDevice(0, text=True, queued=False)
    simulation = pd.Coder(text, "simulation")
    simulation.save(pd.Record.from_image(IMAGE))
    assert text.contents == golden("probe.xml") and pd.version()[:2] == (1, 1)


def test_library_errors_reach_the_logging_module(caplog):
    with caplog.at_level(logging.ERROR, logger="probedata"):
        with pytest.raises(pd.DecodeError):
            pd.Record.from_xml("<?xml")
    assert any("could not decode stream" in r.getMessage() for r in caplog.records)
