// ProbeDevices: declared with its subsystem.
