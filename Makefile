# Two commands on a fresh Debian/Ubuntu machine:
#   make run    builds Quorvo.exe and starts it under Wine
#   make test   builds everything and runs every test through ctest
BUILD ?= build
JOBS ?= 2

.PHONY: run test build deps format clean

run: build
	scripts/run-clock.sh $(BUILD)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVO_WINDOWS=ON
	cmake --build $(BUILD) -j $(JOBS)

deps:
	scripts/install-deps.sh

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
