// ProbeDataV1Coder: declared with its subsystem.
