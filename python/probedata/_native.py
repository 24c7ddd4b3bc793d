"""The C interface of libprobedata, loaded with ctypes: every function declared once, those that
return a status listed in STATUS_FUNCTIONS for the package to check."""

import ctypes
import importlib
import os
import sys
from ctypes import (CFUNCTYPE, POINTER, Structure, c_char_p, c_double, c_int, c_size_t,
                    c_uint, c_uint32, c_void_p)
from typing import Any, Dict, List, Tuple


def _load() -> ctypes.CDLL:
    """The library named by PROBEDATA_LIBRARY, else the one an install put where _location says,
    else probedata.dll beside this package or on the DLL search path (os.add_dll_directory) on
    Windows, else the system's libprobedata.so.1."""
    here = os.path.dirname(os.path.abspath(__file__))
    names = [os.environ.get("PROBEDATA_LIBRARY", "")]
    try:  # written by the install: where the library lies from here
        location = importlib.import_module("._location", __package__)
        names.append(os.path.join(here, str(getattr(location, "LIBRARY"))))
    except ImportError:
        pass
    if sys.platform == "win32":
        names += [os.path.join(here, "probedata.dll"), "probedata.dll"]
    else:
        names.append("libprobedata.so.1")
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

    def __init__(self, *fields: Any) -> None:
        super().__init__(ctypes.sizeof(self), *fields)


class Target(Structure):
    _fields_ = [("size", c_double), ("position", c_double * 3), ("normal", c_double * 3),
                ("angle", c_double), ("has_normal", ctypes.c_int32),
                ("has_angle", ctypes.c_int32)]


class ReportInfo(_Sized):
    _fields_ = [("struct_size", c_size_t), ("size", c_size_t), ("has_magic", c_int),
                ("has_version", c_int), ("major", c_uint), ("minor", c_uint),
                ("version", c_uint32), ("image_length", c_uint32), ("target_count", c_uint32),
                ("has_data_checksum", c_int), ("data_checksum", c_uint32), ("intact", c_int),
                ("item_count", c_size_t)]


class ReportItem(_Sized):
    _fields_ = [("struct_size", c_size_t), ("item", c_int), ("name", c_char_p),
                ("offset", c_uint32), ("length", c_uint32), ("verdict", c_int),
                ("fault", c_int), ("has_checksum", c_int), ("stored_checksum", c_uint32),
                ("computed_checksum", c_uint32), ("in_record", c_int), ("detail", c_char_p),
                ("unchecked", c_char_p), ("field_count", c_size_t)]


class ReportField(_Sized):
    _fields_ = [("struct_size", c_size_t), ("offset", c_uint32), ("length", c_uint32),
                ("name", c_char_p)]


class FitProblem(_Sized):
    _fields_ = [("struct_size", c_size_t), ("path", c_char_p), ("detail", c_char_p),
                ("refused", c_int)]


LOG_FUNCTION = CFUNCTYPE(None, c_void_p, c_int, c_char_p)
READ_DATA = CFUNCTYPE(c_int, c_void_p, c_uint32, c_uint32)
SAVE_DATA = CFUNCTYPE(c_int, c_void_p, c_uint32, c_uint32, POINTER(ctypes.c_ubyte))
GET_ERROR = CFUNCTYPE(c_int, c_void_p)
REPORT = CFUNCTYPE(None, c_void_p, c_int)
ERROR = CFUNCTYPE(None, c_void_p)


class DataHandler(_Sized):
    _fields_ = [("struct_size", c_size_t), ("user", c_void_p), ("read_data", READ_DATA),
                ("save_data", SAVE_DATA), ("get_error", GET_ERROR)]


class Callbacks(_Sized):
    _fields_ = [("struct_size", c_size_t), ("user", c_void_p), ("checksum_read", REPORT),
                ("all_read", REPORT), ("saved", REPORT), ("error", ERROR)]


_P = POINTER
_HANDLE = c_void_p
STATUS = "status"  # a probedata_status, which the package checks after each call

# name: (result, argument types).
_FUNCTIONS: Dict[str, Tuple[Any, List[Any]]] = {
    "probedata_last_error": (c_char_p, []),
    "probedata_last_system_error": (c_int, []),
    "probedata_status_name": (c_char_p, [c_int]),
    "probedata_free": (None, [c_void_p]),
    "probedata_version_text": (c_char_p, []),
    "probedata_version": (None, [_P(c_int), _P(c_int), _P(c_int)]),
    "probedata_set_log": (STATUS, [LOG_FUNCTION, c_void_p, c_int]),
    "probedata_get_log_level": (STATUS, [_P(c_int)]),
    "probedata_record_new": (STATUS, [_P(_HANDLE)]),
    "probedata_record_copy": (STATUS, [_HANDLE, _P(_HANDLE)]),
    "probedata_record_free": (None, [_HANDLE]),
    "probedata_record_equal": (STATUS, [_HANDLE, _HANDLE, _P(c_int)]),
    "probedata_record_get_id": (STATUS, [_HANDLE, _P(c_void_p), _P(c_size_t)]),
    "probedata_record_set_id": (STATUS, [_HANDLE, c_char_p, c_size_t]),
    "probedata_record_target_count": (STATUS, [_HANDLE, _P(c_size_t)]),
    "probedata_record_get_target": (STATUS, [_HANDLE, c_size_t, _P(Target)]),
    "probedata_record_set_targets": (STATUS, [_HANDLE, _P(Target), c_size_t]),
    "probedata_record_get_default_direction": (STATUS, [_HANDLE, _P(c_double)]),
    "probedata_record_set_default_direction": (STATUS, [_HANDLE, _P(c_double)]),
    "probedata_record_get_mask_thickness": (STATUS, [_HANDLE, _P(c_uint)]),
    "probedata_record_set_mask_thickness": (STATUS, [_HANDLE, c_uint]),
    "probedata_record_get_stored_checksum": (STATUS, [_HANDLE, _P(c_uint32)]),
    "probedata_record_set_stored_checksum": (STATUS, [_HANDLE, c_uint32]),
    "probedata_record_checksum": (STATUS, [_HANDLE, _P(c_uint32)]),
    "probedata_record_to_xml": (STATUS, [_HANDLE, _P(c_void_p), _P(c_size_t)]),
    "probedata_record_load_xml": (STATUS, [_HANDLE, c_char_p, c_size_t]),
    "probedata_record_save_file": (STATUS, [_HANDLE, c_char_p, c_int]),
    "probedata_record_load_file": (STATUS, [_HANDLE, c_char_p]),
    "probedata_inspect": (STATUS, [c_char_p, c_size_t, _P(_HANDLE)]),
    "probedata_report_free": (None, [_HANDLE]),
    "probedata_report_get_info": (STATUS, [_HANDLE, _P(ReportInfo)]),
    "probedata_report_get_item": (STATUS, [_HANDLE, c_size_t, _P(ReportItem)]),
    "probedata_report_get_items": (STATUS, [_HANDLE, _P(ReportItem), c_size_t]),
    "probedata_report_get_field": (STATUS, [_HANDLE, c_size_t, c_size_t, _P(ReportField)]),
    "probedata_report_damage": (STATUS, [_HANDLE, _P(c_char_p)]),
    "probedata_report_record": (STATUS, [_HANDLE, _P(_HANDLE)]),
    "probedata_verdict_name": (c_char_p, [c_int]),
    "probedata_fault_name": (c_char_p, [c_int]),
    "probedata_item_name": (c_char_p, [c_int]),
    "probedata_image_version_name": (STATUS, [c_uint32, _P(c_void_p), _P(c_size_t)]),
    "probedata_check_fit": (STATUS, [_HANDLE, _P(_HANDLE)]),
    "probedata_fit_free": (None, [_HANDLE]),
    "probedata_fit_count": (STATUS, [_HANDLE, _P(c_size_t)]),
    "probedata_fit_get": (STATUS, [_HANDLE, c_size_t, _P(FitProblem)]),
    "probedata_coder_new": (STATUS, [c_int, _P(DataHandler), _P(_HANDLE)]),
    "probedata_coder_free": (None, [_HANDLE]),
    "probedata_coder_set_callbacks": (STATUS, [_HANDLE, _P(Callbacks)]),
    "probedata_coder_read_version": (STATUS, [_HANDLE]),
    "probedata_coder_read_all": (STATUS, [_HANDLE]),
    "probedata_coder_read_checksum": (STATUS, [_HANDLE]),
    "probedata_coder_save": (STATUS, [_HANDLE, _HANDLE]),
    "probedata_coder_data_read": (STATUS, [_HANDLE, c_int, c_uint32, c_uint32, c_char_p]),
    "probedata_coder_data_saved": (STATUS, [_HANDLE, c_int, c_uint32, c_uint32, c_char_p]),
    "probedata_coder_handler_error": (STATUS, [_HANDLE]),
    "probedata_coder_cancel": (STATUS, [_HANDLE]),
    "probedata_coder_get_record": (STATUS, [_HANDLE, _P(_HANDLE)]),
    "probedata_coder_get_versions": (STATUS, [_HANDLE, _P(c_uint32), _P(c_uint32)]),
    "probedata_coder_set_output_version": (STATUS, [_HANDLE, c_uint]),
    "probedata_coder_get_error": (STATUS, [_HANDLE, _P(c_int)]),
    "probedata_image_length": (c_size_t, [c_uint32]),
    "probedata_coder_to_image": (STATUS, [_HANDLE, _HANDLE, _P(c_void_p), _P(c_size_t)]),
    "probedata_coder_from_image": (STATUS, [_HANDLE, c_char_p, c_size_t, _HANDLE]),
    "probedata_coder_data_checksum": (STATUS, [_HANDLE, _HANDLE, _P(c_uint32)]),
    "probedata_sim_new": (STATUS, [c_size_t, c_int, c_int, _P(_HANDLE)]),
    "probedata_sim_free": (None, [_HANDLE]),
    "probedata_sim_data_handler": (STATUS, [_HANDLE, _P(DataHandler)]),
    "probedata_sim_bind": (STATUS, [_HANDLE, _HANDLE]),
    "probedata_sim_pump": (STATUS, [_HANDLE, _P(c_size_t)]),
    "probedata_sim_load": (STATUS, [_HANDLE, c_char_p, c_size_t]),
    "probedata_sim_contents": (STATUS, [_HANDLE, _P(c_void_p), _P(c_size_t)]),
    "probedata_sim_fail_next_read": (STATUS, [_HANDLE]),
    "probedata_sim_fail_next_save": (STATUS, [_HANDLE]),
    "probedata_sim_corrupt_byte": (STATUS, [_HANDLE, c_size_t, c_uint]),
}

STATUS_FUNCTIONS: List[Any] = []
for _name, (_result, _arguments) in _FUNCTIONS.items():
    _function = getattr(lib, _name)
    _function.restype = c_int if _result is STATUS else _result
    _function.argtypes = _arguments
    if _result is STATUS:
        STATUS_FUNCTIONS.append(_function)
