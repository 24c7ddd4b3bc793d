"""The data of measurement probes: records, their XML texts and files, their version-1 images,
which block of an image is damaged, and what an image cannot hold.

    import probedata

    image = open("probe.bin", "rb").read()
    report = probedata.inspect(image)
    if not report.intact:
        for item in report.items:
            if item.verdict is not probedata.Verdict.INTACT:
                print(item.name, item.verdict, item.fault, item.detail)
    record = probedata.Record.from_image(image)   # DecodeError when damaged
    record.save("probe.xml")
    print(record.id, len(record.targets), hex(record.checksum()))

Every failure raises a subclass of probedata.Error carrying the library's reason, which is also
the built-in exception a Python program expects: a file that cannot be read or written an
OSError with errno and filename, a value out of range or bytes that do not decode a ValueError,
a value of the wrong type a TypeError, memory a MemoryError. An exception raised by a callable
the package calls back (a coder's on_... callables, a data handler's methods) is raised again
from the package call that made the call back.

An id is text decoded from its bytes as UTF-8, bytes that are not UTF-8 kept as surrogates, so
that every id goes to the library and back unchanged. Records, reports and their parts copy and
pickle, so a pool of processes can take them. Coder, SimulatedDevice, Record and Report own a
handle of the library, freed by close(), by leaving a with block, or when the object goes.

The library's warnings and errors go to the logger "probedata" of the logging module, which has
a NullHandler: configure logging to see them. Importing the package leaves the level of the
library's own logger as a program in the same process set it.

The package is a layer over the library's C interface (probedata_c.h) and loads the library
itself: the file PROBEDATA_LIBRARY names, the one installed with the package, probedata.dll beside
the package or on the DLL search path on Windows, or libprobedata.so.1.
"""

from __future__ import annotations

import ctypes
import enum
import functools
import itertools
import logging
import operator
import os
import re
import sys
import threading
import warnings
import weakref
from dataclasses import dataclass
from typing import (TYPE_CHECKING, Any, Callable, ClassVar, Dict, Iterable, List, Optional,
                    SupportsFloat, Tuple, TypeVar, Union)

from . import _native

__all__ = ["Record", "Target", "Report", "Item", "Field", "Verdict", "Fault", "ItemName",
           "FitProblem", "inspect", "check_fit", "Coder", "SimulatedDevice", "image_length",
           "version", "Error", "InvalidValueError", "InvalidTypeError", "StateError",
           "DecodeError", "EncodeError", "FileError", "OutOfMemoryError", "InternalError"]

_lib = _native.lib
Vector = Tuple[float, float, float]
_Buffer = Union[bytes, bytearray, memoryview]
_PathName = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]
_Callback = Optional[Callable[..., object]]
_Self = TypeVar("_Self", bound="_Handle")


class Error(Exception):
    """A failure of the package or the library; str() is its reason, status the library's
    status (1 argument, 2 state, 3 decode, 4 encode, 5 file, 6 memory, 7 internal)."""

    status: int = 7

    def __init__(self, message: str, status: Optional[int] = None) -> None:
        super().__init__(message)
        if status is not None:
            self.status = status


class InvalidValueError(Error, ValueError):
    """A value out of range, or of a form the library does not take: a ValueError."""

    status = 1


class InvalidTypeError(Error, TypeError):
    """A value of a type the call does not take: a TypeError."""

    status = 1


class StateError(Error, RuntimeError):
    """A request refused in the present state: a transfer pending, none awaited, no data handler,
    or an object already closed."""

    status = 2


class DecodeError(Error, ValueError):
    """Bytes or a text that do not decode into a record; says which block or where."""

    status = 3


class EncodeError(Error, ValueError):
    """A record that the form asked for cannot hold; names the values."""

    status = 4


class FileError(Error, OSError):
    """A file that cannot be opened, read, written or replaced: an OSError with the system's
    errno (None when the system gave none) and the filename the program passed."""

    status = 5

    def __init__(self, errno: Optional[int], message: str, *filename: Any) -> None:
        OSError.__init__(self, errno, message, *filename)

    def __str__(self) -> str:
        return str(self.strerror)


class OutOfMemoryError(Error, MemoryError):
    """Memory ran out inside the library: a MemoryError."""

    status = 6


class InternalError(Error, RuntimeError):
    """Any other failure inside the library."""

    status = 7


_ERRORS = {1: InvalidValueError, 2: StateError, 3: DecodeError, 4: EncodeError,
           6: OutOfMemoryError, 7: InternalError}


if not TYPE_CHECKING:  # hidden from type checkers, which would take any name as the module's
    def __getattr__(name: str) -> Any:
        """ArgumentError, the earlier name of InvalidValueError, with a warning."""
        if name == "ArgumentError":
            warnings.warn("probedata.ArgumentError is now InvalidValueError",
                          DeprecationWarning, 2)
            return InvalidValueError
        raise AttributeError(f"module 'probedata' has no attribute {name!r}")


# An exception a Python callable raised while the library called it back, on this thread; the
# package call that made the library call back raises it once the library has returned.
class _Raised(threading.local):
    error: Optional[BaseException] = None


_raised = _Raised()


def _hold(error: BaseException) -> None:
    if _raised.error is None:
        _raised.error = error


def _checked(status: int, _function: Any, _arguments: Any) -> int:
    """The errcheck of every function that returns a status."""
    if status == 0 and _raised.error is None:
        return status
    error, _raised.error = _raised.error, None
    if error is not None:
        raise error
    reason = _text(_lib.probedata_last_error())
    if status == FileError.status:
        raise FileError(_lib.probedata_last_system_error() or None, reason)
    raise _ERRORS.get(status, InternalError)(reason, status)


for _function in _native.STATUS_FUNCTIONS:
    _function.errcheck = _checked


def _text(value: Optional[bytes]) -> str:
    return (value or b"").decode("utf-8", "surrogateescape")


def _encoded(text: str, what: str) -> bytes:
    try:
        return text.encode("utf-8", "surrogateescape")
    except UnicodeEncodeError as error:
        raise InvalidValueError(f"{what} does not encode as UTF-8: {error.reason}") from None


def _bytes(data: _Buffer, what: str, kinds: str = "bytes") -> bytes:
    """data as bytes: any object that holds bytes (bytes, bytearray, memoryview, ...)."""
    if type(data) is bytes:
        return data
    try:
        return memoryview(data).tobytes()
    except TypeError:
        raise InvalidTypeError(f"{what} is {kinds}, not {type(data).__name__}") from None


def _text_bytes(value: Union[str, _Buffer], what: str) -> bytes:
    """A text as UTF-8, surrogates back to the bytes they stand for; bytes as they are."""
    return _encoded(value, what) if isinstance(value, str) else _bytes(value, what, "str or bytes")


def _whole(value: int, largest: int, what: str) -> int:
    """value, a whole number from 0 to largest, checked before ctypes would wrap it."""
    try:
        number = operator.index(value)
    except TypeError:
        number = None
    if number is None or isinstance(value, bool):
        raise InvalidTypeError(f"{what} is a whole number, not {type(value).__name__}")
    if not 0 <= number <= largest:
        raise InvalidValueError(f"{what} {number} is out of range (0 to {largest})")
    return number


def _real(value: SupportsFloat, what: str) -> float:
    if not isinstance(value, SupportsFloat):
        raise InvalidTypeError(f"{what} is a number, not {type(value).__name__}")
    return float(value)


def _vector(value: Iterable[SupportsFloat], what: str) -> Vector:
    try:
        values = tuple(value)
    except TypeError:
        raise InvalidTypeError(f"{what} is three numbers, not {type(value).__name__}") from None
    if len(values) != 3:
        raise InvalidValueError(f"{what} needs three values, not {len(values)}")
    if not all(isinstance(v, SupportsFloat) for v in values):
        raise InvalidTypeError(f"{what} is three numbers, not {values!r}")
    return (float(values[0]), float(values[1]), float(values[2]))


def _path(path: _PathName) -> bytes:
    """A path as the library takes it: UTF-8 on Windows, the system's bytes elsewhere."""
    try:
        name = os.fspath(path)
    except TypeError:
        raise InvalidTypeError(f"a path is str, bytes or os.PathLike, not "
                               f"{type(path).__name__}") from None
    if isinstance(name, str) and sys.platform == "win32":
        data = _encoded(name, "the path")
    else:
        data = os.fsencode(name)
    if b"\0" in data:
        raise InvalidValueError(f"the path {name!r} holds a NUL character")
    return data


def _packed(version: str) -> int:
    """A version as the library numbers it: "2.1" is 0x21."""
    if not isinstance(version, str):
        raise InvalidTypeError(f"a version is text, as \"2.1\", not {type(version).__name__}")
    match = re.fullmatch(r"([0-9]{1,2})\.([0-9]{1,2})", version)
    if match is None or int(match[1]) > 15 or int(match[2]) > 15:
        raise InvalidValueError(f"a version is major.minor, each 0 to 15, not {version!r}")
    return int(match[1]) << 4 | int(match[2])


def _taken(pointer: ctypes.c_void_p, length: ctypes.c_size_t) -> bytes:
    """The bytes the library returned, freed."""
    try:
        return ctypes.string_at(pointer, length.value) if length.value else b""
    finally:
        _lib.probedata_free(pointer)


def _returned(function: Any, *arguments: Any) -> bytes:
    """The bytes or text a function returns through its last two arguments."""
    pointer, length = ctypes.c_void_p(), ctypes.c_size_t()
    function(*arguments, ctypes.byref(pointer), ctypes.byref(length))
    return _taken(pointer, length)


def _value(function: Any, handle: ctypes.c_void_p, kind: Any) -> Any:
    """The value a getter of a handle gives through its last argument."""
    value = kind()
    function(handle, ctypes.byref(value))
    return value.value


def _made(function: Any, *arguments: Any) -> ctypes.c_void_p:
    """The handle a function makes through its last argument."""
    handle = ctypes.c_void_p()
    function(*arguments, ctypes.byref(handle))
    return handle


@functools.lru_cache(maxsize=None)
def _version_name(version: int) -> Optional[str]:
    """A packed version as the library names it ("2.1"); None for none."""
    if version == 0xFFFFFFFF:
        return None
    return _returned(_lib.probedata_image_version_name, version).decode("ascii")


class _Handle:
    """An object that owns a library handle, freed by close(), by leaving a with block, or when
    the object goes; using it after close raises StateError."""

    __slots__ = ("_pointer", "__weakref__")
    _free: ClassVar[Any]

    def __init__(self, pointer: ctypes.c_void_p) -> None:
        self._pointer: Optional[ctypes.c_void_p] = pointer

    @property
    def _handle(self) -> ctypes.c_void_p:
        if self._pointer is None:
            raise StateError(f"the {type(self).__name__} is closed")
        return self._pointer

    @property
    def closed(self) -> bool:
        """True once close() has freed the library's handle."""
        return self._pointer is None

    def close(self) -> None:
        """Frees the library's handle; later calls do nothing."""
        pointer, self._pointer = self._pointer, None
        if pointer is not None:
            type(self)._free(pointer)

    def __enter__(self: _Self) -> _Self:
        if self.closed:
            raise StateError(f"the {type(self).__name__} is closed")
        return self

    def __exit__(self, *exception: object) -> None:
        self.close()

    def __del__(self) -> None:
        if getattr(self, "_pointer", None) is not None:
            self.close()


class _Converter(_Handle):
    """A version-1 coder without a device, for conversions."""

    __slots__ = ()
    _free = _lib.probedata_coder_free

    def __init__(self) -> None:
        super().__init__(_made(_lib.probedata_coder_new, 1, None))


@dataclass(frozen=True)
class Target:
    """A target of a probe's rigid body: its size, its position, and optionally a normal and an
    angle. Frozen and hashable; sequences are kept as tuples of floats."""

    size: float
    position: Vector
    normal: Optional[Vector] = None
    angle: Optional[float] = None

    def __post_init__(self) -> None:
        set_ = object.__setattr__
        set_(self, "size", _real(self.size, "size"))
        set_(self, "position", _vector(self.position, "position"))
        if self.normal is not None:
            set_(self, "normal", _vector(self.normal, "normal"))
        if self.angle is not None:
            set_(self, "angle", _real(self.angle, "angle"))


def _record_of(record: Record, what: str = "record") -> ctypes.c_void_p:
    if not isinstance(record, Record):
        raise InvalidTypeError(f"{what} is a probedata.Record, not {type(record).__name__}")
    return record._handle


class Record(_Handle):
    """The record of one probe: id, targets, default direction, mask thickness and stored
    checksum. Records compare equal when all five are equal (NaN equal to NaN). copy.copy,
    copy.deepcopy and pickle give independent records holding every value."""

    __slots__ = ()
    _free = _lib.probedata_record_free

    def __init__(self) -> None:
        """A new record: empty id, no targets, direction (0, 0, 0), thickness 0, checksum 0."""
        super().__init__(_made(_lib.probedata_record_new))

    @classmethod
    def _adopt(cls, handle: ctypes.c_void_p) -> Record:
        record = cls.__new__(cls)
        _Handle.__init__(record, handle)
        return record

    @classmethod
    def from_xml(cls, text: Union[str, _Buffer]) -> Record:
        """The record of an XML text (str or bytes); DecodeError says why and where it does not
        read."""
        data = _text_bytes(text, "text")
        record = cls()
        _lib.probedata_record_load_xml(record._handle, data, len(data))
        return record

    def to_xml(self) -> str:
        """The record's XML text, as every release of the library writes it; EncodeError for a
        value that is not a finite number, or an id holding a NUL character."""
        return _returned(_lib.probedata_record_to_xml, self._handle).decode(
            "utf-8", "surrogateescape")

    @classmethod
    def from_image(cls, image: _Buffer) -> Record:
        """The record of a version-1 image; DecodeError names the damaged block, or says the
        bytes hold no image (all 0x00 or all 0xFF)."""
        data, record = _bytes(image, "image"), cls()
        with _Converter() as coder:
            _lib.probedata_coder_from_image(coder._handle, data, len(data), record._handle)
        return record

    def to_image(self) -> bytes:
        """The record as a version 2.1 image of 428 bytes; EncodeError names each value the image
        refuses (check_fit tells those it cannot hold exactly, too)."""
        with _Converter() as coder:
            return _returned(_lib.probedata_coder_to_image, coder._handle, self._handle)

    @classmethod
    def load(cls, path: _PathName) -> Record:
        """The record of an XML file; FileError (an OSError) or DecodeError."""
        record = cls()
        _on_file(path, lambda name: _lib.probedata_record_load_file(record._handle, name))
        return record

    def save(self, path: _PathName) -> None:
        """Replaces the file at path whole with the XML text, so that a failure leaves the old
        file as it was; FileError (an OSError) or EncodeError, as to_xml."""
        _on_file(path, lambda name: _lib.probedata_record_save_file(self._handle, name, 1))

    def checksum(self) -> int:
        """The record checksum: CRC-16/ARC of its XML text (0 when it has none)."""
        return int(_value(_lib.probedata_record_checksum, self._handle, ctypes.c_uint32))

    def data_checksum(self) -> int:
        """CRC-16/ARC of the rigid body to mask thickness blocks of the record's image."""
        value = ctypes.c_uint32()
        with _Converter() as coder:
            _lib.probedata_coder_data_checksum(coder._handle, self._handle, ctypes.byref(value))
        return value.value

    def copy(self) -> Record:
        """An independent copy of the record."""
        return Record._adopt(_made(_lib.probedata_record_copy, self._handle))

    def __copy__(self) -> Record:
        return self.copy()

    def __deepcopy__(self, memo: Dict[int, object]) -> Record:
        return self.copy()

    def __reduce__(self) -> Tuple[Any, ...]:
        # Pickled as its values, not its XML text, which a record with NaN or a NUL in its id
        # lacks.
        return (type(self), (), (self._id(), self.targets, self.default_direction,
                                 self.mask_thickness, self.stored_checksum))

    def __setstate__(self, state: Tuple[Any, ...]) -> None:
        (self.id, self.targets, self.default_direction, self.mask_thickness,
         self.stored_checksum) = state

    def _id(self) -> bytes:
        return _returned(_lib.probedata_record_get_id, self._handle)

    @property
    def id(self) -> str:
        """The rigid body's id: text, its bytes that are not UTF-8 kept as surrogates; set as
        text or bytes."""
        return self._id().decode("utf-8", "surrogateescape")

    @id.setter
    def id(self, value: Union[str, bytes]) -> None:
        data = _text_bytes(value, "id")
        _lib.probedata_record_set_id(self._handle, data, len(data))

    @property
    def targets(self) -> Tuple[Target, ...]:
        """The rigid body's targets as a tuple of Target values: assign a new sequence to change
        them (record.targets += (target,))."""
        handle = self._handle
        count = _value(_lib.probedata_record_target_count, handle, ctypes.c_size_t)
        targets, t = [], _native.Target()
        for index in range(count):
            _lib.probedata_record_get_target(handle, index, ctypes.byref(t))
            targets.append(Target(t.size, _vector(t.position, "position"),
                                  _vector(t.normal, "normal") if t.has_normal else None,
                                  t.angle if t.has_angle else None))
        return tuple(targets)

    @targets.setter
    def targets(self, targets: Iterable[Target]) -> None:
        try:
            given = tuple(targets)
        except TypeError:
            raise InvalidTypeError(f"targets are a sequence of Target values, not "
                                   f"{type(targets).__name__}") from None
        for target in given:
            if not isinstance(target, Target):
                raise InvalidTypeError(f"targets are Target values, not {type(target).__name__}")
        array = (_native.Target * len(given))()
        for native, target in zip(array, given):
            native.size, native.position[:] = target.size, target.position
            native.has_normal = target.normal is not None
            native.has_angle = target.angle is not None
            native.normal[:] = target.normal or (0.0, 0.0, 0.0)
            native.angle = target.angle or 0.0
        _lib.probedata_record_set_targets(self._handle, array, len(given))

    @property
    def default_direction(self) -> Vector:
        """The direction of a target without a normal: three numbers."""
        direction = (ctypes.c_double * 3)()
        _lib.probedata_record_get_default_direction(self._handle, direction)
        return (direction[0], direction[1], direction[2])

    @default_direction.setter
    def default_direction(self, value: Iterable[SupportsFloat]) -> None:
        direction = (ctypes.c_double * 3)(*_vector(value, "default_direction"))
        _lib.probedata_record_set_default_direction(self._handle, direction)

    @property
    def mask_thickness(self) -> int:
        """The thickness of the target mask, 0 to 65535."""
        return int(_value(_lib.probedata_record_get_mask_thickness, self._handle, ctypes.c_uint))

    @mask_thickness.setter
    def mask_thickness(self, value: int) -> None:
        _lib.probedata_record_set_mask_thickness(self._handle,
                                                 _whole(value, 65535, "mask_thickness"))

    @property
    def stored_checksum(self) -> int:
        """A value the record carries, 0 to 4294967295: nothing computes or compares it."""
        return int(_value(_lib.probedata_record_get_stored_checksum, self._handle,
                          ctypes.c_uint32))

    @stored_checksum.setter
    def stored_checksum(self, value: int) -> None:
        _lib.probedata_record_set_stored_checksum(self._handle,
                                                  _whole(value, 0xFFFFFFFF, "stored_checksum"))

    def __eq__(self, other: object) -> bool:
        if not isinstance(other, Record):
            return NotImplemented
        equal = ctypes.c_int()
        _lib.probedata_record_equal(self._handle, other._handle, ctypes.byref(equal))
        return bool(equal.value)

    __hash__ = None  # type: ignore[assignment]

    def __repr__(self) -> str:
        if self.closed:
            return "<probedata.Record, closed>"
        return (f"Record(id={self.id!r}, targets={len(self.targets)}, "
                f"default_direction={self.default_direction}, "
                f"mask_thickness={self.mask_thickness}, stored_checksum={self.stored_checksum})")


def _on_file(path: _PathName, call: Callable[[bytes], object]) -> None:
    """A call on the file at path; a FileError names the path as the program gave it."""
    name = _path(path)
    try:
        call(name)
    except FileError as error:
        error.filename = os.fspath(path)
        raise


class _Name(str, enum.Enum):
    """A name the library gives: compares equal to its text, and prints as it."""

    def __str__(self) -> str:
        return str.__str__(self)

    def __format__(self, format_spec: str) -> str:
        return str.__format__(self, format_spec)


def _names(kind: str, name_of: Callable[[int], Optional[bytes]], doc: str) -> Any:
    """An enumeration of the library's names, counted up from 0 until the library says
    "unknown": checksumMismatch is CHECKSUM_MISMATCH, rigid body RIGID_BODY."""
    members = []
    for value in itertools.count():
        name = _text(name_of(value))
        if name == "unknown":
            break
        members.append((re.sub("(?<=[a-z])(?=[A-Z])| ", "_", name).upper(), name))
    names = _Name(kind, members, module=__name__)  # type: ignore[call-overload]
    names.__doc__ = doc
    return names


if TYPE_CHECKING:  # the members every library has; at run time, the library's own
    class Verdict(_Name):
        INTACT = "intact"
        DAMAGED = "damaged"
        ABSENT = "absent"
        MISSING = "missing"

    class Fault(_Name):
        NONE = "none"
        UNKNOWN_VERSION = "unknownVersion"
        DAMAGED_MAGIC = "damagedMagic"
        CUT_SHORT = "cutShort"
        OVERRUN = "overrun"
        CHECKSUM_MISMATCH = "checksumMismatch"
        BLANK_MEMORY = "blankMemory"
        ERASED_MEMORY = "erasedMemory"
        DAMAGED_VERSION = "damagedVersion"

    class ItemName(_Name):
        IMAGE = "image"
        VERSION = "version"
        RIGID_BODY = "rigid body"
        DEFAULT_DIRECTION = "default direction"
        MASK_THICKNESS = "mask thickness"
        DATA_CHECK = "data check"
else:
    Verdict = _names("Verdict", _lib.probedata_verdict_name, "An item's verdict in a report: "
                     "INTACT, DAMAGED, ABSENT or MISSING; equal to its text (\"intact\").")
    Fault = _names("Fault", _lib.probedata_fault_name, "What is wrong with a damaged item, NONE "
                   "for nothing; equal to its text (\"checksumMismatch\").")
    ItemName = _names("ItemName", _lib.probedata_item_name, "An item of a version-1 image, "
                      "IMAGE for the whole image; equal to its text (\"rigid body\").")


_VERDICTS, _FAULTS, _ITEM_NAMES = list(Verdict), list(Fault), list(ItemName)  # by number


@dataclass(frozen=True)
class Field:
    """A field, or a target record, inside an item: where it lies in the image, and its name."""

    offset: int
    length: int
    name: str


class Item:
    """One block of an image as the report judges it: name, offset and length in the image,
    verdict, fault (Fault.NONE for none), the stored and computed checksums (None for a block
    without one), in_record (the block's values are in the report's record), detail (what it
    holds or what is wrong), unchecked (what of the block no checksum covers), and fields (the
    fields and target records inside it)."""

    __slots__ = ("name", "offset", "length", "verdict", "fault", "stored_checksum",
                 "computed_checksum", "in_record", "detail", "unchecked", "_report", "_index",
                 "_fields")

    def __init__(self, report: Report, index: int, native: _native.ReportItem) -> None:
        checksum = native.has_checksum
        self.name: ItemName = _ITEM_NAMES[native.item]
        self.offset: int = native.offset
        self.length: int = native.length
        self.verdict: Verdict = _VERDICTS[native.verdict]
        self.fault: Fault = _FAULTS[native.fault]
        self.stored_checksum: Optional[int] = native.stored_checksum if checksum else None
        self.computed_checksum: Optional[int] = native.computed_checksum if checksum else None
        self.in_record = bool(native.in_record)
        self.detail, self.unchecked = _text(native.detail), _text(native.unchecked)
        self._report, self._index = report, index
        self._fields: Union[int, Tuple[Field, ...]] = native.field_count

    @property
    def fields(self) -> Tuple[Field, ...]:
        """The fields and target records inside the block, in image order."""
        if isinstance(self._fields, int):  # read from the library when first asked for
            field, fields = _native.ReportField(), []
            for number in range(self._fields):
                _lib.probedata_report_get_field(self._report._handle, self._index, number,
                                                ctypes.byref(field))
                fields.append(Field(field.offset, field.length, _text(field.name)))
            self._fields = tuple(fields)
        return self._fields

    def __repr__(self) -> str:
        return f"Item({self.name!r}, {self.verdict!r}, {self.fault!r}, {self.detail!r})"


class Report(_Handle):
    """Which block of an image is damaged (see inspect): size of the bytes inspected, has_magic,
    version (the version the blocks are judged in, "2.1"; None when the bytes hold no version
    block), image_length of that version, target_count as the rigid body states it,
    data_checksum (None when the image does not hold the blocks it covers), intact, damage (what
    is wrong in one line; "" when intact), and items (the blocks in image order, the version
    block first). Reports of the same bytes are equal; a copy or a pickle inspects them again."""

    __slots__ = ("size", "has_magic", "version", "image_length", "target_count",
                 "data_checksum", "intact", "damage", "_count", "_items", "_image", "_record")
    _free = _lib.probedata_report_free

    def __init__(self, image: _Buffer) -> None:
        """The report on image; inspect(image) says the same."""
        self._image = _bytes(image, "image")
        super().__init__(_made(_lib.probedata_inspect, self._image, len(self._image)))
        info, damage = _native.ReportInfo(), ctypes.c_char_p()
        _lib.probedata_report_get_info(self._pointer, ctypes.byref(info))
        _lib.probedata_report_damage(self._pointer, ctypes.byref(damage))
        self.size: int = info.size
        self.has_magic = bool(info.has_magic)
        self.version = _version_name(info.version) if info.has_version else None
        self.image_length: int = info.image_length
        self.target_count: int = info.target_count
        self.data_checksum: Optional[int] = info.data_checksum if info.has_data_checksum else None
        self.intact = bool(info.intact)
        self.damage = _text(damage.value)
        self._count: int = info.item_count
        self._items: Optional[Tuple[Item, ...]] = None
        self._record: Optional[Record] = None

    @property
    def items(self) -> Tuple[Item, ...]:
        """The blocks in image order, the version block first, read when first asked for."""
        if self._items is None:
            natives = (_native.ReportItem * self._count)()
            if self._count:
                natives[0].struct_size = ctypes.sizeof(_native.ReportItem)
            _lib.probedata_report_get_items(self._handle, natives, self._count)
            self._items = tuple(Item(self, index, native) for index, native in enumerate(natives))
        return self._items

    @property
    def record(self) -> Record:
        """A new record holding the values of the blocks that read intact."""
        if self._record is None:
            self._record = Record._adopt(_made(_lib.probedata_report_record, self._handle))
        return self._record.copy()

    def __reduce__(self) -> Tuple[Any, ...]:
        return (type(self), (self._image,))

    def __eq__(self, other: object) -> bool:
        if not isinstance(other, Report):
            return NotImplemented
        return self._image == other._image

    def __hash__(self) -> int:
        return hash(self._image)

    def __repr__(self) -> str:
        return (f"Report(version={self.version!r}, intact={self.intact}, "
                f"damage={self.damage!r}, items={list(self.items)!r})")


def inspect(image: _Buffer) -> Report:
    """The report on an image held as bytes: every block's place, verdict and detail."""
    return Report(image)


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
    handle = _made(_lib.probedata_check_fit, _record_of(record))
    try:
        problems, native = [], _native.FitProblem()
        for index in range(_value(_lib.probedata_fit_count, handle, ctypes.c_size_t)):
            _lib.probedata_fit_get(handle, index, ctypes.byref(native))
            problems.append(FitProblem(_text(native.path), _text(native.detail),
                                       bool(native.refused)))
        return problems
    finally:
        _lib.probedata_fit_free(handle)


def image_length(version: str = "2.1") -> int:
    """The length of a version-1 image of a version ("2.1"): 428, or 328 for "0.1"; 0 for a
    version no device writes."""
    return int(_lib.probedata_image_length(_packed(version)))


class SimulatedDevice(_Handle):
    """A simulated device memory of size bytes (by default a version 2.1 image's, at most
    4294967295), zero-filled. text: it keeps a record's XML text, as the simulation coder wants.
    queued: completions wait for pump(), as a real device's come later; else they come inside
    the request."""

    __slots__ = ("_holds_text", "_queued")
    _free = _lib.probedata_sim_free

    def __init__(self, size: Optional[int] = None, text: bool = False,
                 queued: bool = True) -> None:
        size = image_length() if size is None else _whole(size, 0xFFFFFFFF, "size")
        self._holds_text, self._queued = bool(text), bool(queued)
        super().__init__(_made(_lib.probedata_sim_new, size, self._holds_text, self._queued))

    def pump(self) -> int:
        """Delivers the waiting completions, and those they cause; returns how many. An exception
        a coder's callback raises is raised from here."""
        return int(_value(_lib.probedata_sim_pump, self._handle, ctypes.c_size_t))

    def load(self, data: _Buffer) -> None:
        """Replaces the memory's content, and its size, with data (at most 4294967295 bytes)."""
        content = _bytes(data, "data")
        _whole(len(content), 0xFFFFFFFF, "the length of data")
        _lib.probedata_sim_load(self._handle, content, len(content))

    @property
    def contents(self) -> bytes:
        """A copy of the memory's content."""
        return _returned(_lib.probedata_sim_contents, self._handle)

    def fail_next_read(self) -> None:
        """Makes the next read fail, as a device's transfer can."""
        _lib.probedata_sim_fail_next_read(self._handle)

    def fail_next_save(self) -> None:
        """Makes the next save fail, as a device's transfer can."""
        _lib.probedata_sim_fail_next_save(self._handle)

    def corrupt(self, offset: int, mask: int = 0xFF) -> None:
        """XORs the byte at offset (within the memory) with mask (0 to 255)."""
        _lib.probedata_sim_corrupt_byte(self._handle, _whole(offset, 0xFFFFFFFF, "offset"),
                                        _whole(mask, 0xFF, "mask"))

    def __repr__(self) -> str:
        if self.closed:
            return "<probedata.SimulatedDevice, closed>"
        return (f"<probedata.SimulatedDevice of {len(self.contents)} bytes"
                f"{', text' if self._holds_text else ''}{', queued' if self._queued else ''}>")


def _callable(callback: _Callback, name: str) -> _Callback:
    if callback is not None and not callable(callback):
        raise InvalidTypeError(f"{name} is a callable or None, not {type(callback).__name__}")
    return callback


def _guarded(coder: Coder, call: Callable[..., int], failed: int = 1) -> Callable[..., int]:
    """call as the library calls it back, holding only a weak reference to the coder: what it
    raises is held for the package call that made the library call back, and failed returned."""
    owner = weakref.ref(coder)

    def guarded(_user: object, *arguments: Any) -> int:
        me = owner()
        try:
            return failed if me is None else call(me, *arguments)
        except BaseException as error:
            _hold(error)
            return failed

    return guarded


class Coder(_Handle):
    """A device coder that reads a record from a device's memory and saves one there through a
    data handler, and reports through the callables on_checksum_read(ok), on_all_read(ok),
    on_saved(ok) and on_error() when they are set.

    kind "v1" keeps the record as the version-1 image, "simulation" as its XML text. handler is a
    SimulatedDevice, or an object of the host's with read(offset, length) and save(offset, data)
    methods (and optionally error() -> int) that take a request and return; the host delivers
    each completion later with data_read(ok, offset, data) or data_saved(ok, offset, data).

    A handler method that raises refuses its request, which the coder then reports as failed; an
    exception raised by a handler method or a callback is raised again from the package call
    that made the call back (the request, data_read, data_saved, pump, ...). Calls into one coder
    must not overlap."""

    __slots__ = ("_kind", "_handler", "_functions", "_requests", "_on_checksum_read",
                 "_on_all_read", "_on_saved", "_on_error")
    _free = _lib.probedata_coder_free

    def __init__(self, handler: object = None, kind: str = "v1") -> None:
        if kind not in ("v1", "simulation"):
            raise InvalidValueError(f"kind is \"v1\" or \"simulation\", not {kind!r}")
        self._kind, self._handler = kind, handler
        self._on_checksum_read: _Callback = None
        self._on_all_read: _Callback = None
        self._on_saved: _Callback = None
        self._on_error: _Callback = None
        # The length of the last request at each place, which a failed completion names.
        self._requests: Dict[Tuple[bool, int], int] = {}
        native = None
        if isinstance(handler, SimulatedDevice):
            native = _native.DataHandler()
            _lib.probedata_sim_data_handler(handler._handle, ctypes.byref(native))
        elif handler is not None:
            if not all(callable(getattr(handler, name, None)) for name in ("read", "save")):
                raise InvalidTypeError("handler is a SimulatedDevice, or has read(offset, "
                                       "length) and save(offset, data) methods")
            native = _native.DataHandler(None, _native.READ_DATA(_guarded(self, Coder._read)),
                                         _native.SAVE_DATA(_guarded(self, Coder._save)),
                                         _native.GET_ERROR(_guarded(self, Coder._error)))
        super().__init__(_made(_lib.probedata_coder_new, 1 if kind == "v1" else 2, native))

        def told(name: str) -> Callable[..., int]:
            return _guarded(self, lambda coder, *ok: coder._tell(name, *ok), 0)

        self._functions = (native, _native.Callbacks(
            None, _native.REPORT(told("_on_checksum_read")), _native.REPORT(told("_on_all_read")),
            _native.REPORT(told("_on_saved")), _native.ERROR(told("_on_error"))))
        _lib.probedata_coder_set_callbacks(self._handle, ctypes.byref(self._functions[1]))
        if isinstance(handler, SimulatedDevice):
            _lib.probedata_sim_bind(handler._handle, self._handle)

    @property
    def on_checksum_read(self) -> _Callback:
        """Called with ok when read_checksum or read_version ends, or the version read of
        read_all fails; None for none."""
        return self._on_checksum_read

    @on_checksum_read.setter
    def on_checksum_read(self, callback: _Callback) -> None:
        self._on_checksum_read = _callable(callback, "on_checksum_read")

    @property
    def on_all_read(self) -> _Callback:
        """Called with ok when read_all ends; None for none."""
        return self._on_all_read

    @on_all_read.setter
    def on_all_read(self, callback: _Callback) -> None:
        self._on_all_read = _callable(callback, "on_all_read")

    @property
    def on_saved(self) -> _Callback:
        """Called with ok when save ends; None for none."""
        return self._on_saved

    @on_saved.setter
    def on_saved(self, callback: _Callback) -> None:
        self._on_saved = _callable(callback, "on_saved")

    @property
    def on_error(self) -> _Callback:
        """Called without arguments when the handler reports an error, and before the failed
        result of a read the coder could not request; None for none."""
        return self._on_error

    @on_error.setter
    def on_error(self, callback: _Callback) -> None:
        self._on_error = _callable(callback, "on_error")

    def _tell(self, name: str, *ok: int) -> int:
        callback = getattr(self, name)
        if callback is not None:
            callback(*(bool(value) for value in ok))
        return 0

    def _read(self, offset: int, length: int) -> int:
        self._requests[(False, offset)] = length
        getattr(self._handler, "read")(offset, length)
        return 0

    def _save(self, offset: int, length: int, data: Any) -> int:
        self._requests[(True, offset)] = length
        getattr(self._handler, "save")(offset, ctypes.string_at(data, length))
        return 0

    def _error(self) -> int:
        error = getattr(self._handler, "error", None)
        return int(error()) if error is not None else 0

    def read_version(self) -> None:
        """Reads the version block; on_checksum_read(ok) ends it."""
        _lib.probedata_coder_read_version(self._handle)

    def read_all(self) -> None:
        """Reads the whole record; on_all_read(ok) ends it (on_checksum_read(False) when the
        version read before it fails)."""
        _lib.probedata_coder_read_all(self._handle)

    def read_checksum(self) -> None:
        """Reads the id and the stored checksum; on_checksum_read(ok) ends it."""
        _lib.probedata_coder_read_checksum(self._handle)

    def save(self, record: Record) -> None:
        """Writes record; on_saved(ok) ends it."""
        _lib.probedata_coder_save(self._handle, _record_of(record))

    def _complete(self, function: Any, save: bool, ok: bool, offset: int, data: _Buffer) -> None:
        offset, content = _whole(offset, 0xFFFFFFFF, "offset"), _bytes(data, "data")
        length = len(content) if ok else self._requests.get((save, offset), len(content))
        _whole(length, 0xFFFFFFFF, "the length of data")
        function(self._handle, 1 if ok else 0, offset, length, content if ok else None)

    def data_read(self, ok: bool, offset: int, data: _Buffer = b"") -> None:
        """The completion of a read at offset: the bytes read, or ok False for a failed
        transfer. StateError when the coder awaits no such read."""
        self._complete(_lib.probedata_coder_data_read, False, ok, offset, data)

    def data_saved(self, ok: bool, offset: int, data: _Buffer = b"") -> None:
        """The completion of a save at offset: the bytes written, or ok False for a failed
        transfer. StateError when the coder awaits no such save."""
        self._complete(_lib.probedata_coder_data_saved, True, ok, offset, data)

    def handler_error(self) -> None:
        """The handler met an error, which its error() method tells (1: a transfer error);
        StateError when no transfer is pending."""
        _lib.probedata_coder_handler_error(self._handle)

    def cancel(self) -> None:
        """Ends every pending transfer as failed, each with its failed result; completions
        delivered for them later are StateError. StateError when none is pending."""
        _lib.probedata_coder_cancel(self._handle)

    def close(self) -> None:
        """Ends the pending transfers without reporting them and frees the coder."""
        pointer = self._pointer
        if pointer is not None:
            try:
                _lib.probedata_coder_set_callbacks(pointer, None)
                _lib.probedata_coder_cancel(pointer)
            except StateError:
                pass  # nothing was pending
            finally:
                super().close()

    @property
    def record(self) -> Record:
        """A copy of the record last read or saved."""
        return Record._adopt(_made(_lib.probedata_coder_get_record, self._handle))

    def _versions(self) -> Tuple[int, int]:
        given, taken = ctypes.c_uint32(), ctypes.c_uint32()
        _lib.probedata_coder_get_versions(self._handle, ctypes.byref(given),
                                          ctypes.byref(taken))
        return given.value, taken.value

    @property
    def input_version(self) -> Optional[str]:
        """The version of the image last read or saved ("2.1"); None when none."""
        return _version_name(self._versions()[0])

    @property
    def output_version(self) -> Optional[str]:
        """The version the next save writes: "2.1" for the v1 coder, "1.0" for the simulation
        coder, which are the only ones each takes."""
        return _version_name(self._versions()[1])

    @output_version.setter
    def output_version(self, version: str) -> None:
        _lib.probedata_coder_set_output_version(self._handle, _packed(version))

    @property
    def error(self) -> int:
        """The kind of the most recent failure: 0 none, 2 decode (bytes that do not decode, or
        no image), 3 code (a record that cannot be coded), 4 transfer."""
        return int(_value(_lib.probedata_coder_get_error, self._handle, ctypes.c_int))

    def __repr__(self) -> str:
        if self.closed:
            return f"<probedata.Coder {self._kind}, closed>"
        return (f"<probedata.Coder {self._kind} over {type(self._handler).__name__}: "
                f"input {self.input_version}, output {self.output_version}, "
                f"error {self.error}>")


def version() -> Tuple[int, int, int]:
    """The library's major and minor version and build number: (1, 1, 1112)."""
    numbers = [ctypes.c_int() for _ in range(3)]
    _lib.probedata_version(*(ctypes.byref(number) for number in numbers))
    return (numbers[0].value, numbers[1].value, numbers[2].value)


__version__ = "%d.%d.%d" % version()

_logger = logging.getLogger("probedata")
_logger.addHandler(logging.NullHandler())
_LEVELS = {0: logging.DEBUG, 1: logging.DEBUG, 2: logging.INFO, 3: logging.WARNING,
           4: logging.ERROR}


def _forward(_user: object, level: int, message: bytes) -> None:
    try:
        _logger.log(_LEVELS.get(level, logging.CRITICAL), "%s", _text(message))
    except BaseException as error:
        _hold(error)


# Warnings and errors; a level finer than the library's logger's own would lower it.
_forwarding = _native.LOG_FUNCTION(_forward)
_lib.probedata_set_log(_forwarding, None, 3)
