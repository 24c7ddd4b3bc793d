# `make package`: the Debian packages, built with CPack in a build of their own, PACKAGE_BUILD
# (build-package/), configured for the prefix /usr with the compiler and linker flags that
# dpkg-buildflags gives a Debian package (with every hardening feature, bindnow included):
#   libprobedata1     the shared libraries libprobedata.so.1 and libprobeoutside.so.1
#   libprobedata-dev  headers, the CMake package, the pkg-config files, libprobesim.a
#   probetool         the tool, its manual page and bash completion
# The .deb files land in PACKAGE_BUILD. dpkg-shlibdeps and dpkg-gensymbols (dpkg-dev) name the
# Debian run-time packages they depend on and make the symbols file; CPack finds the binaries
# with file.
#
# `make package-check`: lintian on the three packages, which fails on any error or warning
# (tests/package/lint-debs.sh); then, as root, installs them with dpkg, builds and runs the
# example hosts against them outside the tree (with pkg-config and with CMake), checks the tool
# and its manual page, and removes the packages again (tests/package/check-debs.sh). It changes
# the machine while it runs. Last, `make demo` into a build of its own and the README's install
# into a scratch prefix, which must work (tests/package/check-demo-install.sh): a full build of
# the library, so not in `make test`.
PACKAGE_BUILD    ?= build-package
PACKAGE_JOBS     ?= 2
PACKAGE_PACKAGES  = $(PACKAGES) dpkg-dev file lintian
# The release build type only keeps NDEBUG: optimisation and hardening come from dpkg-buildflags.
PACKAGE_FLAGS     = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get

.PHONY: package package-packages package-check package-clean

package-packages:
	$(call install_packages,$(PACKAGE_PACKAGES))

package: package-packages
	cmake -S . -B $(PACKAGE_BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
	  -DPROBE_BUILD_TESTS=OFF -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG \
	  -DCMAKE_CXX_FLAGS="$$($(PACKAGE_FLAGS) CPPFLAGS) $$($(PACKAGE_FLAGS) CXXFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$($(PACKAGE_FLAGS) LDFLAGS)" \
	  -DCMAKE_SHARED_LINKER_FLAGS="$$($(PACKAGE_FLAGS) LDFLAGS)"
	cmake --build $(PACKAGE_BUILD) -j $(PACKAGE_JOBS)
	rm -f $(PACKAGE_BUILD)/*.deb
	cd $(PACKAGE_BUILD) && cpack -G DEB
	@for deb in $(PACKAGE_BUILD)/*.deb; do \
	  echo "$$deb:"; dpkg-deb --field $$deb Package Version Depends | sed 's/^/  /'; \
	done

package-check: package
	tests/package/lint-debs.sh $(PACKAGE_BUILD)
	tests/package/check-debs.sh $(PACKAGE_BUILD)
	tests/package/check-demo-install.sh $(PACKAGE_BUILD)/demo-install

package-clean:
	rm -rf $(PACKAGE_BUILD)
