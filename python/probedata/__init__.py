"""The data of measurement probes: records, their XML texts and files, their version-1 images,
which block of an image is damaged, and what an image cannot hold.

    import probedata

    image = open("probe.bin", "rb").read()
    report = probedata.inspect(image)
    if not report.intact:
        for item in report.items:
            if item.verdict != "intact":
                print(item.name, item.verdict, item.fault, item.detail)
    record = probedata.Record.from_image(image)   # DecodeError when damaged
    record.save("probe.xml")
    print(record.id, len(record.targets), hex(record.checksum()))

Every failure raises a subclass of probedata.Error carrying the library's reason. An id is text
decoded from its bytes as UTF-8, bytes that are not UTF-8 kept as surrogates, so that every id
goes to the library and back unchanged. The library's warnings and errors go to the logger
"probedata" of the logging module, which has a NullHandler: configure logging to see them.

The package is a layer over the library's C interface (probedata_c.h) and loads the library
itself: libprobedata.so.1 or probedata.dll, or the file PROBEDATA_LIBRARY names.
"""

from __future__ import annotations

import ctypes
import logging
import os
from dataclasses import dataclass
from typing import List, Optional, Sequence, Tuple, Union

from . import _native

__all__ = ["Record", "Target", "Report", "Item", "Field", "FitProblem", "inspect", "check_fit",
           "Coder", "SimulatedDevice", "image_length", "version", "Error", "ArgumentError",
           "StateError", "DecodeError", "EncodeError", "FileError", "OutOfMemoryError",
           "InternalError"]

_lib = _native.lib
Vector = Tuple[float, float, float]


class Error(Exception):
    """A failure of the library; str() is its reason, status its C status."""

    status = 0

    def __init__(self, message: str, status: int) -> None:
        super().__init__(message)
        self.status = status


class ArgumentError(Error):
    """A value out of range, or a handle the library cannot use."""


class StateError(Error):
    """A request the library refused in its present state."""


class DecodeError(Error):
    """Bytes or a text that do not decode into a record; says which block or where."""


class EncodeError(Error):
    """A record that the form asked for cannot hold; names the values."""


class FileError(Error):
    """A file that cannot be opened, read, written or closed."""


class OutOfMemoryError(Error):
    """Memory ran out inside the library."""


class InternalError(Error):
    """Any other failure inside the library."""


_ERRORS = {1: ArgumentError, 2: StateError, 3: DecodeError, 4: EncodeError, 5: FileError,
           6: OutOfMemoryError, 7: InternalError}


def _check(status: int) -> None:
    if status != 0:
        reason = _lib.probedata_last_error().decode("utf-8", "replace")
        raise _ERRORS.get(status, InternalError)(reason, status)


def _text(value: Optional[bytes]) -> str:
    return (value or b"").decode("utf-8", "surrogateescape")


def _taken(pointer: ctypes.c_void_p, length: ctypes.c_size_t) -> bytes:
    """The bytes the library returned, freed."""
    try:
        return ctypes.string_at(pointer.value, length.value) if length.value else b""
    finally:
        _lib.probedata_free(pointer)


class _Handle:
    """A library handle, freed with its own function when the object goes."""

    _free = None

    def __init__(self, handle: ctypes.c_void_p) -> None:
        self._handle = handle

    def __del__(self) -> None:
        if getattr(self, "_handle", None) is not None and self._handle.value:
            type(self)._free(self._handle)
            self._handle = None


class _Coder(_Handle):
    """A version-1 coder without a device, for conversions."""

    _free = _lib.probedata_coder_free

    def __init__(self) -> None:
        handle = ctypes.c_void_p()
        _check(_lib.probedata_coder_new(1, None, ctypes.byref(handle)))
        super().__init__(handle)


@dataclass(frozen=True)
class Target:
    """A target of a probe's rigid body: its size, its position, and optionally a normal and an
    angle."""

    size: float
    position: Vector
    normal: Optional[Vector] = None
    angle: Optional[float] = None


def _whole_number(get, put, kind, doc: str) -> property:
    """A record's whole-number value, read and set through the C interface."""

    def getter(record: "Record") -> int:
        value = kind()
        _check(get(record._handle, ctypes.byref(value)))
        return value.value

    def setter(record: "Record", value: int) -> None:
        _check(put(record._handle, _whole(value, 0xFFFFFFFF)))

    return property(getter, setter, doc=doc)


class Record(_Handle):
    """The record of one probe: id, targets, default direction, mask thickness and stored
    checksum. Records compare equal when all five are equal."""

    _free = _lib.probedata_record_free

    def __init__(self) -> None:
        """A new record: empty id, no targets, direction (0, 0, 0), thickness 0, checksum 0."""
        handle = ctypes.c_void_p()
        _check(_lib.probedata_record_new(ctypes.byref(handle)))
        super().__init__(handle)

    @classmethod
    def _adopt(cls, handle: ctypes.c_void_p) -> "Record":
        record = cls.__new__(cls)
        _Handle.__init__(record, handle)
        return record

    @classmethod
    def from_xml(cls, text: Union[str, bytes]) -> "Record":
        """The record of an XML text; DecodeError says why and where it does not read."""
        data = text.encode("utf-8", "surrogateescape") if isinstance(text, str) else bytes(text)
        record = cls()
        _check(_lib.probedata_record_load_xml(record._handle, data, len(data)))
        return record

    def to_xml(self) -> str:
        """The record's XML text, as every release of the library writes it."""
        pointer, length = ctypes.c_void_p(), ctypes.c_size_t()
        _check(_lib.probedata_record_to_xml(self._handle, ctypes.byref(pointer), ctypes.byref(length)))
        return _taken(pointer, length).decode("utf-8", "surrogateescape")

    @classmethod
    def from_image(cls, image: bytes) -> "Record":
        """The record of a version-1 image; DecodeError names the damaged block."""
        data = bytes(image)
        record, coder = cls(), _Coder()
        _check(_lib.probedata_coder_from_image(coder._handle, data, len(data), record._handle))
        return record

    def to_image(self) -> bytes:
        """The record as a version 2.1 image of 428 bytes; EncodeError names each value the image
        refuses (check_fit tells those it cannot hold exactly, too)."""
        pointer, length, coder = ctypes.c_void_p(), ctypes.c_size_t(), _Coder()
        _check(_lib.probedata_coder_to_image(coder._handle, self._handle, ctypes.byref(pointer),
                                      ctypes.byref(length)))
        return _taken(pointer, length)

    @classmethod
    def load(cls, path: Union[str, os.PathLike]) -> "Record":
        """The record of an XML file; FileError or DecodeError."""
        record = cls()
        _check(_lib.probedata_record_load_file(record._handle, os.fsencode(path)))
        return record

    def save(self, path: Union[str, os.PathLike]) -> None:
        """Writes the XML text to the file from its first byte (a longer file keeps its tail)."""
        _check(_lib.probedata_record_save_file(self._handle, os.fsencode(path), 1))

    def checksum(self) -> int:
        """The record checksum: CRC-16/ARC of its XML text (0 when it has none)."""
        value = ctypes.c_uint32()
        _check(_lib.probedata_record_checksum(self._handle, ctypes.byref(value)))
        return value.value

    def data_checksum(self) -> int:
        """CRC-16/ARC of the rigid body to mask thickness blocks of the record's image."""
        value, coder = ctypes.c_uint32(), _Coder()
        _check(_lib.probedata_coder_data_checksum(coder._handle, self._handle, ctypes.byref(value)))
        return value.value

    def copy(self) -> "Record":
        handle = ctypes.c_void_p()
        _check(_lib.probedata_record_copy(self._handle, ctypes.byref(handle)))
        return Record._adopt(handle)

    @property
    def id(self) -> str:
        pointer, length = ctypes.c_void_p(), ctypes.c_size_t()
        _check(_lib.probedata_record_get_id(self._handle, ctypes.byref(pointer), ctypes.byref(length)))
        return _taken(pointer, length).decode("utf-8", "surrogateescape")

    @id.setter
    def id(self, value: str) -> None:
        data = value.encode("utf-8", "surrogateescape")
        _check(_lib.probedata_record_set_id(self._handle, data, len(data)))

    @property
    def targets(self) -> List[Target]:
        count = ctypes.c_size_t()
        _check(_lib.probedata_record_target_count(self._handle, ctypes.byref(count)))
        targets = []
        for index in range(count.value):
            t = _native.Target()
            _check(_lib.probedata_record_get_target(self._handle, index, ctypes.byref(t)))
            targets.append(Target(t.size, tuple(t.position),
                                  tuple(t.normal) if t.has_normal else None,
                                  t.angle if t.has_angle else None))
        return targets

    @targets.setter
    def targets(self, targets: Sequence[Target]) -> None:
        array = (_native.Target * len(targets))()
        for native, target in zip(array, targets):
            native.size = target.size
            native.position[:] = _vector(target.position, "position")
            native.has_normal = target.normal is not None
            if target.normal is not None:
                native.normal[:] = _vector(target.normal, "normal")
            native.has_angle = target.angle is not None
            native.angle = 0.0 if target.angle is None else target.angle
        _check(_lib.probedata_record_set_targets(self._handle, array, len(targets)))

    @property
    def default_direction(self) -> Vector:
        direction = (ctypes.c_double * 3)()
        _check(_lib.probedata_record_get_default_direction(self._handle, direction))
        return tuple(direction)

    @default_direction.setter
    def default_direction(self, value: Vector) -> None:
        direction = (ctypes.c_double * 3)(*_vector(value, "default_direction"))
        _check(_lib.probedata_record_set_default_direction(self._handle, direction))

    mask_thickness = _whole_number(_lib.probedata_record_get_mask_thickness,
                                   _lib.probedata_record_set_mask_thickness, ctypes.c_uint,
                                   "The thickness of the target mask, 0 to 65535.")
    stored_checksum = _whole_number(_lib.probedata_record_get_stored_checksum,
                                    _lib.probedata_record_set_stored_checksum, ctypes.c_uint32,
                                    "A value the record carries (0 to 4294967295): nothing "
                                    "computes or compares it.")

    def _values(self) -> tuple:
        return (self.id, self.targets, self.default_direction, self.mask_thickness,
                self.stored_checksum)

    def __eq__(self, other: object) -> bool:
        return isinstance(other, Record) and self._values() == other._values()

    def __repr__(self) -> str:
        return (f"Record(id={self.id!r}, targets={len(self.targets)}, "
                f"default_direction={self.default_direction}, "
                f"mask_thickness={self.mask_thickness}, stored_checksum={self.stored_checksum})")


def _vector(value: Sequence[float], name: str) -> Vector:
    if len(value) != 3:
        raise ArgumentError(f"{name} needs three values, not {len(value)}", 1)
    return (float(value[0]), float(value[1]), float(value[2]))


def _whole(value: int, largest: int) -> int:
    if not 0 <= value <= largest:
        raise ArgumentError(f"{value} is out of range (0 to {largest})", 1)
    return value


@dataclass(frozen=True)
class Field:
    """A field, or a target record, inside an item: where it lies in the image, and its name."""

    offset: int
    length: int
    name: str


_VERDICTS = [_text(_lib.probedata_verdict_name(value)) for value in range(4)]
_FAULTS = [_text(_lib.probedata_fault_name(value)) for value in range(9)]
_NAMES = {name.encode(): name for name in ("version", "rigid body", "default direction",
                                           "mask thickness", "data check")}


class Item:
    """One block of an image as the report judges it. verdict is "intact", "damaged", "absent"
    or "missing"; fault names what is wrong ("checksumMismatch", ...), "none" for no fault; the
    checksums are None for a block without one; in_record says the block's values are in the
    report's record; unchecked says what of the block no checksum covers; fields lists the
    fields and target records inside the block."""

    __slots__ = ("item", "name", "offset", "length", "verdict", "fault", "stored_checksum",
                 "computed_checksum", "in_record", "detail", "unchecked", "_report", "_index",
                 "_fields")

    def __init__(self, report: "Report", index: int, native: _native.ReportItem) -> None:
        checksum = native.has_checksum
        self.item, self.offset, self.length = native.item, native.offset, native.length
        self.name = _NAMES.get(native.name) or _text(native.name)
        self.verdict, self.fault = _VERDICTS[native.verdict], _FAULTS[native.fault]
        self.stored_checksum = native.stored_checksum if checksum else None
        self.computed_checksum = native.computed_checksum if checksum else None
        self.in_record = bool(native.in_record)
        self.detail = native.detail.decode("utf-8", "surrogateescape")
        self.unchecked = native.unchecked.decode("utf-8", "surrogateescape")
        self._report, self._index, self._fields = report, index, native.field_count

    @property
    def fields(self) -> Tuple[Field, ...]:
        if isinstance(self._fields, int):  # read from the library when first asked for
            field, fields = _native.ReportField(), []
            for number in range(self._fields):
                _check(_lib.probedata_report_get_field(self._report._handle, self._index, number,
                                                ctypes.byref(field)))
                fields.append(Field(field.offset, field.length, _text(field.name)))
            self._fields = tuple(fields)
        return self._fields

    def __repr__(self) -> str:
        return f"Item({self.name!r}, {self.verdict!r}, {self.fault!r}, {self.detail!r})"


class Report(_Handle):
    """Which block of an image is damaged (see inspect). version is the version the blocks are
    judged in ("2.1"), None when the bytes hold no version block; data_checksum is None when the
    image does not hold the blocks it covers; damage says what is wrong in one line ("" when
    intact); items are the blocks in image order, the version block first; record holds the
    values of the blocks that read intact."""

    _free = _lib.probedata_report_free

    def __init__(self, handle: ctypes.c_void_p) -> None:
        super().__init__(handle)
        info, damage = _native.ReportInfo(), ctypes.c_char_p()
        _check(_lib.probedata_report_get_info(handle, ctypes.byref(info)))
        _check(_lib.probedata_report_damage(handle, ctypes.byref(damage)))
        self.size = info.size
        self.has_magic = bool(info.has_magic)
        self.version = f"{info.major}.{info.minor}" if info.has_version else None
        self.image_length = info.image_length
        self.target_count = info.target_count
        self.data_checksum = info.data_checksum if info.has_data_checksum else None
        self.intact = bool(info.intact)
        self.damage = _text(damage.value)
        natives = (_native.ReportItem * info.item_count)()
        if info.item_count:
            natives[0].struct_size = ctypes.sizeof(_native.ReportItem)
        _check(_lib.probedata_report_get_items(handle, natives, info.item_count))
        self.items: Tuple[Item, ...] = tuple(
            Item(self, index, native) for index, native in enumerate(natives))
        self._record: Optional[Record] = None

    @property
    def record(self) -> Record:
        if self._record is None:
            handle = ctypes.c_void_p()
            _check(_lib.probedata_report_record(self._handle, ctypes.byref(handle)))
            self._record = Record._adopt(handle)
        return self._record.copy()

    def __repr__(self) -> str:
        return (f"Report(version={self.version!r}, intact={self.intact}, "
                f"damage={self.damage!r}, items={list(self.items)!r})")


def inspect(image: bytes) -> Report:
    """The report on an image held as bytes: every block's place, verdict and detail."""
    data = bytes(image)
    handle = ctypes.c_void_p()
    _check(_lib.probedata_inspect(data, len(data), ctypes.byref(handle)))
    return Report(handle)


@dataclass(frozen=True)
class FitProblem:
    """A value of a record that a version 2.1 image cannot hold as it is: its place in the
    record ("targets[2].size"), why, with the field's limit, and whether the image is refused
    for it (else it is written and reads back otherwise)."""

    path: str
    detail: str
    refused: bool


def check_fit(record: Record) -> List[FitProblem]:
    """Every value of record that a version 2.1 image cannot hold as it is, in record order."""
    handle = ctypes.c_void_p()
    _check(_lib.probedata_check_fit(record._handle, ctypes.byref(handle)))
    try:
        count = ctypes.c_size_t()
        _check(_lib.probedata_fit_count(handle, ctypes.byref(count)))
        problems = []
        native = _native.FitProblem()
        for index in range(count.value):
            _check(_lib.probedata_fit_get(handle, index, ctypes.byref(native)))
            problems.append(FitProblem(_text(native.path), _text(native.detail),
                                       bool(native.refused)))
        return problems
    finally:
        _lib.probedata_fit_free(handle)


def image_length(version: int = 0x21) -> int:
    """The length of a version-1 image of a version: 428, or 328 for version 0x01."""
    return _lib.probedata_image_length(version)


class SimulatedDevice(_Handle):
    """A simulated device memory of size bytes (by default a version 2.1 image's), zero-filled.
    text: it keeps a record's XML text, as the simulation coder wants. queued: completions wait
    for pump(), as a real device's come later; else they come inside the request."""

    _free = _lib.probedata_sim_free

    def __init__(self, size: Optional[int] = None, text: bool = False,
                 queued: bool = True) -> None:
        handle = ctypes.c_void_p()
        _check(_lib.probedata_sim_new(image_length() if size is None else size, text, queued,
                               ctypes.byref(handle)))
        super().__init__(handle)

    def pump(self) -> int:
        """Delivers the waiting completions, and those they cause; returns how many."""
        count = ctypes.c_size_t()
        _check(_lib.probedata_sim_pump(self._handle, ctypes.byref(count)))
        return count.value

    def load(self, data: bytes) -> None:
        """Replaces the memory's content, and its size, with data."""
        _check(_lib.probedata_sim_load(self._handle, bytes(data), len(data)))

    @property
    def contents(self) -> bytes:
        pointer, length = ctypes.c_void_p(), ctypes.c_size_t()
        _check(_lib.probedata_sim_contents(self._handle, ctypes.byref(pointer), ctypes.byref(length)))
        return _taken(pointer, length)

    def fail_next_read(self) -> None:
        _check(_lib.probedata_sim_fail_next_read(self._handle))

    def fail_next_save(self) -> None:
        _check(_lib.probedata_sim_fail_next_save(self._handle))

    def corrupt(self, offset: int, mask: int = 0xFF) -> None:
        """XORs the byte at offset with mask."""
        _check(_lib.probedata_sim_corrupt_byte(self._handle, offset, mask))


class Coder(_Handle):
    """A device coder that reads a record from a device's memory and saves one there through a
    data handler, and reports through the callables on_checksum_read(ok), on_all_read(ok),
    on_saved(ok) and on_error() when they are set.

    kind "v1" keeps the record as the version-1 image, "simulation" as its XML text. handler is a
    SimulatedDevice, or an object of the host's with read(offset, length) and save(offset, data)
    methods (and optionally error() -> int) that take a request and return; the host delivers
    each completion later with data_read(ok, offset, data) or data_saved(ok, offset, data). A
    handler method that raises fails its request. Calls into one coder must not overlap."""

    _free = _lib.probedata_coder_free

    def __init__(self, handler: object = None, kind: str = "v1") -> None:
        kinds = {"v1": 1, "simulation": 2}
        if kind not in kinds:
            raise ArgumentError(f"kind is \"v1\" or \"simulation\", not {kind!r}", 1)
        self.on_checksum_read = self.on_all_read = self.on_saved = self.on_error = None
        self._handler, native = handler, None
        if isinstance(handler, SimulatedDevice):
            native = _native.DataHandler()
            _check(_lib.probedata_sim_data_handler(handler._handle, ctypes.byref(native)))
        elif handler is not None:
            native = _native.DataHandler(None, _native.READ_DATA(self._read),
                                         _native.SAVE_DATA(self._save),
                                         _native.GET_ERROR(self._error))
        handle = ctypes.c_void_p()
        _check(_lib.probedata_coder_new(kinds[kind], native, ctypes.byref(handle)))
        super().__init__(handle)
        self._functions = (native, _native.Callbacks(
            None, _native.REPORT(lambda _u, ok: self._report(self.on_checksum_read, ok)),
            _native.REPORT(lambda _u, ok: self._report(self.on_all_read, ok)),
            _native.REPORT(lambda _u, ok: self._report(self.on_saved, ok)),
            _native.ERROR(lambda _u: self._report(self.on_error))))
        _check(_lib.probedata_coder_set_callbacks(handle, ctypes.byref(self._functions[1])))
        if isinstance(handler, SimulatedDevice):
            _check(_lib.probedata_sim_bind(handler._handle, handle))

    def __del__(self) -> None:
        if isinstance(getattr(self, "_handler", None), SimulatedDevice):
            _lib.probedata_sim_bind(self._handler._handle, None)
        super().__del__()

    @staticmethod
    def _report(callback, *ok) -> None:
        if callback is not None:
            callback(*(bool(value) for value in ok))

    def _read(self, _user, offset: int, length: int) -> int:
        try:
            self._handler.read(offset, length)
            return 0
        except Exception:  # a refused request, which the coder reports
            return 1

    def _save(self, _user, offset: int, length: int, data) -> int:
        try:
            self._handler.save(offset, ctypes.string_at(data, length))
            return 0
        except Exception:
            return 1

    def _error(self, _user) -> int:
        error = getattr(self._handler, "error", None)
        return int(error()) if error is not None else 0

    def read_version(self) -> None:
        _check(_lib.probedata_coder_read_version(self._handle))

    def read_all(self) -> None:
        """Reads the whole record; on_all_read(ok) ends it (on_checksum_read(False) when the
        version read before it fails)."""
        _check(_lib.probedata_coder_read_all(self._handle))

    def read_checksum(self) -> None:
        """Reads the id and the stored checksum; on_checksum_read(ok) ends it."""
        _check(_lib.probedata_coder_read_checksum(self._handle))

    def save(self, record: Record) -> None:
        """Writes record; on_saved(ok) ends it, and record then holds what the device holds."""
        _check(_lib.probedata_coder_save(self._handle, record._handle))

    def data_read(self, ok: bool, offset: int, data: bytes = b"") -> None:
        """The completion of a read: the bytes read at offset."""
        _check(_lib.probedata_coder_data_read(self._handle, ok, offset, len(data), bytes(data)))

    def data_saved(self, ok: bool, offset: int, data: bytes = b"") -> None:
        """The completion of a save: the bytes written at offset."""
        _check(_lib.probedata_coder_data_saved(self._handle, ok, offset, len(data), bytes(data)))

    def handler_error(self) -> None:
        """The handler met an error, which its error() method tells (1: a transfer error)."""
        _check(_lib.probedata_coder_handler_error(self._handle))

    @property
    def record(self) -> Record:
        """A copy of the record last read or saved."""
        handle = ctypes.c_void_p()
        _check(_lib.probedata_coder_get_record(self._handle, ctypes.byref(handle)))
        return Record._adopt(handle)

    def _versions(self) -> Tuple[int, int]:
        given, taken = ctypes.c_uint32(), ctypes.c_uint32()
        _check(_lib.probedata_coder_get_versions(self._handle, ctypes.byref(given), ctypes.byref(taken)))
        return given.value, taken.value

    @property
    def input_version(self) -> int:
        """The version of the image last read or saved; 0xFFFFFFFF when none."""
        return self._versions()[0]

    @property
    def output_version(self) -> int:
        """The version the next save writes (0x21: 2.1)."""
        return self._versions()[1]

    @output_version.setter
    def output_version(self, version: int) -> None:
        _check(_lib.probedata_coder_set_output_version(self._handle, _whole(version, 0xFFFFFFFF)))

    @property
    def error(self) -> int:
        """The kind of the most recent failure: 0 none, 2 decode, 3 code, 4 transfer."""
        value = ctypes.c_int()
        _check(_lib.probedata_coder_get_error(self._handle, ctypes.byref(value)))
        return value.value


def version() -> Tuple[int, int, int]:
    """The library's major and minor version and build number: (1, 1, 1112)."""
    numbers = [ctypes.c_int() for _ in range(3)]
    _lib.probedata_version(*(ctypes.byref(number) for number in numbers))
    return tuple(number.value for number in numbers)


_logger = logging.getLogger("probedata")
_logger.addHandler(logging.NullHandler())
_LEVELS = {0: logging.DEBUG, 1: logging.DEBUG, 2: logging.INFO, 3: logging.WARNING, 4: logging.ERROR}


@_native.LOG_FUNCTION
def _forward(_user: int, level: int, message: bytes) -> None:
    _logger.log(_LEVELS.get(level, logging.ERROR), "%s", _text(message))


_check(_lib.probedata_set_log(_forward, None, 3))
