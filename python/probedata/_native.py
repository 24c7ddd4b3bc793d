"""The C interface of libprobedata, loaded with ctypes: every function declared once."""

import ctypes
import os
import sys
from ctypes import (CFUNCTYPE, POINTER, Structure, c_char_p, c_double, c_int, c_size_t,
                    c_uint, c_uint32, c_void_p)


def _load() -> ctypes.CDLL:
    """The library named by PROBEDATA_LIBRARY, else the one installed beside this package, else
    the system's."""
    names = [os.environ.get("PROBEDATA_LIBRARY", "")]
    try:
        from . import _location  # written by the install: where the library lies from here
        names.append(os.path.join(os.path.dirname(__file__), _location.LIBRARY))
    except ImportError:
        pass
    names.append("probedata.dll" if sys.platform == "win32" else "libprobedata.so.1")
    errors = []
    for name in filter(None, names):
        try:
            return ctypes.CDLL(name)
        except OSError as error:
            errors.append(str(error))
    raise ImportError("cannot load the probe library: " + "; ".join(errors))


lib = _load()


class _Sized(Structure):
    """A struct that begins with its own size, which the library reads."""

    def __init__(self, *fields) -> None:
        super().__init__(ctypes.sizeof(self), *fields)


class Target(Structure):
    _fields_ = [("size", c_double), ("position", c_double * 3), ("normal", c_double * 3),
                ("angle", c_double), ("has_normal", ctypes.c_int32), ("has_angle", ctypes.c_int32)]


class ReportInfo(_Sized):
    _fields_ = [("struct_size", c_size_t), ("size", c_size_t), ("has_magic", c_int), ("has_version", c_int),
                ("major", c_uint), ("minor", c_uint), ("version", c_uint32),
                ("image_length", c_uint32), ("target_count", c_uint32),
                ("has_data_checksum", c_int), ("data_checksum", c_uint32), ("intact", c_int),
                ("item_count", c_size_t)]


class ReportItem(_Sized):
    _fields_ = [("struct_size", c_size_t), ("item", c_int), ("name", c_char_p), ("offset", c_uint32), ("length", c_uint32),
                ("verdict", c_int), ("fault", c_int), ("has_checksum", c_int),
                ("stored_checksum", c_uint32), ("computed_checksum", c_uint32),
                ("in_record", c_int), ("detail", c_char_p), ("unchecked", c_char_p),
                ("field_count", c_size_t)]


class ReportField(_Sized):
    _fields_ = [("struct_size", c_size_t), ("offset", c_uint32), ("length", c_uint32), ("name", c_char_p)]


class FitProblem(_Sized):
    _fields_ = [("struct_size", c_size_t), ("path", c_char_p), ("detail", c_char_p), ("refused", c_int)]


LOG_FUNCTION = CFUNCTYPE(None, c_void_p, c_int, c_char_p)
READ_DATA = CFUNCTYPE(c_int, c_void_p, c_uint32, c_uint32)
SAVE_DATA = CFUNCTYPE(c_int, c_void_p, c_uint32, c_uint32, POINTER(ctypes.c_ubyte))
GET_ERROR = CFUNCTYPE(c_int, c_void_p)
REPORT = CFUNCTYPE(None, c_void_p, c_int)
ERROR = CFUNCTYPE(None, c_void_p)


class DataHandler(_Sized):
    _fields_ = [("struct_size", c_size_t), ("user", c_void_p), ("read_data", READ_DATA), ("save_data", SAVE_DATA),
                ("get_error", GET_ERROR)]


class Callbacks(_Sized):
    _fields_ = [("struct_size", c_size_t), ("user", c_void_p), ("checksum_read", REPORT), ("all_read", REPORT),
                ("saved", REPORT), ("error", ERROR)]

_P = POINTER
_HANDLE = c_void_p
_BYTES = _P(ctypes.c_ubyte)

# name: (result, argument types); every function that returns a status returns c_int.
_FUNCTIONS = {
    "probedata_last_error": (c_char_p, []),
    "probedata_status_name": (c_char_p, [c_int]),
    "probedata_free": (None, [c_void_p]),
    "probedata_version_text": (c_char_p, []),
    "probedata_version": (None, [_P(c_int), _P(c_int), _P(c_int)]),
    "probedata_set_log": (c_int, [LOG_FUNCTION, c_void_p, c_int]),
    "probedata_record_new": (c_int, [_P(_HANDLE)]),
    "probedata_record_copy": (c_int, [_HANDLE, _P(_HANDLE)]),
    "probedata_record_free": (None, [_HANDLE]),
    "probedata_record_get_id": (c_int, [_HANDLE, _P(c_void_p), _P(c_size_t)]),
    "probedata_record_set_id": (c_int, [_HANDLE, c_char_p, c_size_t]),
    "probedata_record_target_count": (c_int, [_HANDLE, _P(c_size_t)]),
    "probedata_record_get_target": (c_int, [_HANDLE, c_size_t, _P(Target)]),
    "probedata_record_set_targets": (c_int, [_HANDLE, _P(Target), c_size_t]),
    "probedata_record_get_default_direction": (c_int, [_HANDLE, _P(c_double)]),
    "probedata_record_set_default_direction": (c_int, [_HANDLE, _P(c_double)]),
    "probedata_record_get_mask_thickness": (c_int, [_HANDLE, _P(c_uint)]),
    "probedata_record_set_mask_thickness": (c_int, [_HANDLE, c_uint]),
    "probedata_record_get_stored_checksum": (c_int, [_HANDLE, _P(c_uint32)]),
    "probedata_record_set_stored_checksum": (c_int, [_HANDLE, c_uint32]),
    "probedata_record_checksum": (c_int, [_HANDLE, _P(c_uint32)]),
    "probedata_record_to_xml": (c_int, [_HANDLE, _P(c_void_p), _P(c_size_t)]),
    "probedata_record_load_xml": (c_int, [_HANDLE, c_char_p, c_size_t]),
    "probedata_record_save_file": (c_int, [_HANDLE, c_char_p, c_int]),
    "probedata_record_load_file": (c_int, [_HANDLE, c_char_p]),
    "probedata_inspect": (c_int, [c_char_p, c_size_t, _P(_HANDLE)]),
    "probedata_report_free": (None, [_HANDLE]),
    "probedata_report_get_info": (c_int, [_HANDLE, _P(ReportInfo)]),
    "probedata_report_get_item": (c_int, [_HANDLE, c_size_t, _P(ReportItem)]),
    "probedata_report_get_items": (c_int, [_HANDLE, _P(ReportItem), c_size_t]),
    "probedata_report_get_field": (c_int, [_HANDLE, c_size_t, c_size_t, _P(ReportField)]),
    "probedata_report_damage": (c_int, [_HANDLE, _P(c_char_p)]),
    "probedata_report_record": (c_int, [_HANDLE, _P(_HANDLE)]),
    "probedata_verdict_name": (c_char_p, [c_int]),
    "probedata_fault_name": (c_char_p, [c_int]),
    "probedata_check_fit": (c_int, [_HANDLE, _P(_HANDLE)]),
    "probedata_fit_free": (None, [_HANDLE]),
    "probedata_fit_count": (c_int, [_HANDLE, _P(c_size_t)]),
    "probedata_fit_get": (c_int, [_HANDLE, c_size_t, _P(FitProblem)]),
    "probedata_coder_new": (c_int, [c_int, _P(DataHandler), _P(_HANDLE)]),
    "probedata_coder_free": (None, [_HANDLE]),
    "probedata_coder_set_callbacks": (c_int, [_HANDLE, _P(Callbacks)]),
    "probedata_coder_read_version": (c_int, [_HANDLE]),
    "probedata_coder_read_all": (c_int, [_HANDLE]),
    "probedata_coder_read_checksum": (c_int, [_HANDLE]),
    "probedata_coder_save": (c_int, [_HANDLE, _HANDLE]),
    "probedata_coder_data_read": (c_int, [_HANDLE, c_int, c_uint32, c_uint32, c_char_p]),
    "probedata_coder_data_saved": (c_int, [_HANDLE, c_int, c_uint32, c_uint32, c_char_p]),
    "probedata_coder_handler_error": (c_int, [_HANDLE]),
    "probedata_coder_get_record": (c_int, [_HANDLE, _P(_HANDLE)]),
    "probedata_coder_get_versions": (c_int, [_HANDLE, _P(c_uint32), _P(c_uint32)]),
    "probedata_coder_set_output_version": (c_int, [_HANDLE, c_uint]),
    "probedata_coder_get_error": (c_int, [_HANDLE, _P(c_int)]),
    "probedata_image_length": (c_size_t, [c_uint32]),
    "probedata_sim_new": (c_int, [c_size_t, c_int, c_int, _P(_HANDLE)]),
    "probedata_sim_free": (None, [_HANDLE]),
    "probedata_sim_data_handler": (c_int, [_HANDLE, _P(DataHandler)]),
    "probedata_sim_bind": (c_int, [_HANDLE, _HANDLE]),
    "probedata_sim_pump": (c_int, [_HANDLE, _P(c_size_t)]),
    "probedata_sim_load": (c_int, [_HANDLE, c_char_p, c_size_t]),
    "probedata_sim_contents": (c_int, [_HANDLE, _P(c_void_p), _P(c_size_t)]),
    "probedata_sim_fail_next_read": (c_int, [_HANDLE]),
    "probedata_sim_fail_next_save": (c_int, [_HANDLE]),
    "probedata_sim_corrupt_byte": (c_int, [_HANDLE, c_size_t, c_uint]),
    "probedata_coder_to_image": (c_int, [_HANDLE, _HANDLE, _P(c_void_p), _P(c_size_t)]),
    "probedata_coder_from_image": (c_int, [_HANDLE, c_char_p, c_size_t, _HANDLE]),
    "probedata_coder_data_checksum": (c_int, [_HANDLE, _HANDLE, _P(c_uint32)]),
}

_FUNCTIONS["probedata_get_log_level"] = (c_int, [_P(c_int)])

for _name, (_result, _arguments) in _FUNCTIONS.items():
    _function = getattr(lib, _name)
    _function.restype = _result
    _function.argtypes = _arguments
