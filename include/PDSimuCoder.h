// PDSimuCoder: declared with its subsystem.
