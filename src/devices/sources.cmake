target_sources(probedata_obj PRIVATE)
