# `make abi-baseline`: writes abi/libprobedata.so.1.abi, the ABI that the test package.abi holds
# the built library to, from build/'s library as `make test` builds it. Run it only for an
# addition to the interface, or with a new soname: a change that breaks hosts must not be made
# to pass by a new baseline.
ABI_PACKAGES = abigail-tools

.PHONY: abi-baseline

abi-baseline: build
	$(call install_packages,$(ABI_PACKAGES))
	abidw --headers-dir include --headers-dir outside --headers-dir sim --drop-private-types \
	  --no-corpus-path --no-show-locs --no-comp-dir-path --suppressions abi/suppressions.ini \
	  --out-file abi/libprobedata.so.1.abi $(BUILD)/lib/libprobedata.so.1
	cd $(BUILD) && ctest -R package.abi --output-on-failure
