# The project's entry points. 'make demo' and 'make test' work on a fresh Debian 12 machine as root.
PRESETS := linux win64 win32

.PHONY: all bootstrap build demo test bench fuzz format clean

all: build

bootstrap:
	@scripts/bootstrap

build: bootstrap
	@set -e; for p in $(PRESETS); do \
	    cmake --preset $$p >/dev/null; \
	    cmake --build --preset $$p; \
	done

demo: build
	@scripts/demo

test: build
	scripts/run-tests

bench: build
	scripts/bench

FUZZ_SECONDS ?= 60
fuzz: bootstrap
	CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DVX_FUZZ=ON -DBUILD_TESTING=OFF \
	    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build build/fuzz --target container_fuzz valid
	mkdir -p build/fuzz/corpus
	build/fuzz/bin/container_fuzz -max_total_time=$(FUZZ_SECONDS) -malloc_limit_mb=300 \
	    -timeout=10 build/fuzz/corpus fuzz/seeds

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h' '*.c')

clean:
	rm -rf build
