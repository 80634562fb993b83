# On a fresh Debian/Ubuntu machine:
#   make run    builds Quorvo.exe and starts it under Wine
#   make test   builds everything and runs every test through ctest
#   make dist   builds the release files into $(BUILD)/dist
BUILD ?= build
JOBS ?= 2

.PHONY: run test build dist deps format clean

run: build
	scripts/run-clock.sh $(BUILD)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVO_WINDOWS=ON
	cmake --build $(BUILD) -j $(JOBS)

# Only the Windows program, cross-built as the tests build it (MinSizeRel),
# and the release files made from it (installer/dist.py).
dist: deps
	cmake -S . -B $(BUILD)/release -G Ninja \
	  --toolchain cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=MinSizeRel \
	  -DQUORVO_DIST_DIR=$(abspath $(BUILD))/dist \
	  $(if $(DOWNLOAD_URL),-DQUORVO_DOWNLOAD_URL=$(DOWNLOAD_URL))
	cmake --build $(BUILD)/release --target dist -j $(JOBS)

deps:
	scripts/install-deps.sh

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
