# The project's entry points. 'make demo' and 'make test' work on a fresh Debian 12 machine as root.
PRESETS := linux win64 win32

.PHONY: all bootstrap build demo test bench fuzz format clean $(addprefix build-,$(PRESETS))

all: build

bootstrap:
	@scripts/bootstrap

build: bootstrap $(addprefix build-,$(PRESETS))

build-%:
	cmake --preset $* >/dev/null
	cmake --build --preset $*

demo: build
	@scripts/demo

test: build
	scripts/run-tests

bench: build
	scripts/bench

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h' '*.c')

clean:
	rm -rf build
