# `make package`: the Debian packages, built with CPack in a Release build of their own,
# PACKAGE_BUILD (build-package/), configured for the prefix /usr:
#   libprobedata1     the shared libraries libprobedata.so.1 and libprobeoutside.so.1
#   libprobedata-dev  headers, the CMake package, the pkg-config files, libprobesim.a
#   probetool         the tool, its manual page and bash completion
# The .deb files land in PACKAGE_BUILD. dpkg-shlibdeps (dpkg-dev) names the Debian run-time
# packages they depend on; it finds the binaries with file.
#
# `make package-check`: installs the three packages with dpkg, builds and runs the example hosts
# against them outside the tree (with pkg-config and with CMake), checks the tool and its manual
# page, and removes the packages again (tests/package/check-debs.sh). Needs root; it changes the
# machine while it runs.
PACKAGE_BUILD    ?= build-package
PACKAGE_JOBS     ?= 2
PACKAGE_PACKAGES  = $(PACKAGES) dpkg-dev file

.PHONY: package package-packages package-check package-clean

package-packages:
	$(call install_packages,$(PACKAGE_PACKAGES))

package: package-packages
	cmake -S . -B $(PACKAGE_BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
	  -DPROBE_BUILD_TESTS=OFF
	cmake --build $(PACKAGE_BUILD) -j $(PACKAGE_JOBS)
	rm -f $(PACKAGE_BUILD)/*.deb
	cd $(PACKAGE_BUILD) && cpack -G DEB
	@for deb in $(PACKAGE_BUILD)/*.deb; do \
	  echo "$$deb:"; dpkg-deb --field $$deb Package Version Depends | sed 's/^/  /'; \
	done

package-check: package
	tests/package/check-debs.sh $(PACKAGE_BUILD)

package-clean:
	rm -rf $(PACKAGE_BUILD)
