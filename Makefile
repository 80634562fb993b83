# On a fresh Debian/Ubuntu machine:
#   make run          builds Quorvo.exe and starts it under Wine
#   make test         builds everything and runs every test through ctest
#   make test-wine10  the tests under Wine once more, under Wine 10 in a
#                     Debian 13 root (root rights; see docs/DEVELOPING.md)
#   make dist         builds the release files into $(BUILD)/dist, naming
#                     every placeholder address they carry
#   make release      the same, refused while any address is a placeholder
#                     or not https: DOWNLOAD_URL=https://.../{version}
#                     HOMEPAGE_URL=... PUBLISHER_URL=... [LICENSE_URL=...]
#   make pictures     the pictures of the clock in docs/pictures, taken
#                     from Quorvo.exe under Wine on a virtual display
# The builds are the CMake presets' (CMakePresets.json).
BUILD ?= build
JOBS ?= 2
build_dir := $(abspath $(BUILD))

.PHONY: run test test-wine10 build dist release pictures deps format clean

run: build
	scripts/run-clock.sh $(BUILD)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

build: deps
	cmake --preset native -B $(BUILD)
	cmake --build $(BUILD) -j $(JOBS)

# The programs built here, tested under Wine 10: the release files are made
# here first, since the root has no compilers.
test-wine10: build
	cmake --build $(BUILD)/windows --target dist
	scripts/debian13-root.sh --bind . --bind $(BUILD) -- /bin/sh -c '\
	  cmake -S $(CURDIR) -B $(build_dir)/wine10 -G Ninja \
	    -DQUORVO_PREBUILT_WINDOWS_DIR=$(build_dir)/windows >/dev/null && \
	  ctest --test-dir $(build_dir)/wine10 --output-on-failure -j $(JOBS)'

# Only the Windows program, cross-built as the tests build it (MinSizeRel),
# and the release files made from it (installer/dist.py). An address given
# here is kept in the build's cache for the next run.
addresses := $(foreach name,DOWNLOAD_URL HOMEPAGE_URL PUBLISHER_URL LICENSE_URL,\
  $(if $($(name)),-DQUORVO_$(name)=$($(name))))

dist release: deps
	cmake --preset mingw -B $(BUILD)/release \
	  -DQUORVO_DIST_DIR=$(build_dir)/dist $(addresses)
	cmake --build $(BUILD)/release --target $@ -j $(JOBS)

pictures: build
	/usr/bin/python3 scripts/pictures.py --windows-dir $(BUILD)/windows \
	  --work-dir $(BUILD)/pictures --out docs/pictures

deps:
	scripts/install-deps.sh

format: deps
	scripts/format.sh

clean:
	rm -rf $(BUILD)
