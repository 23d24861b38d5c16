# Thin front over scripts/ and the CMake presets.
.PHONY: all demo gui test package native windows clean

all: native

demo:
	scripts/demo

test:
	scripts/test

# The Windows package for host developers and the Linux package of the tool (see README.md).
package:
	scripts/package

# The host program kestrumhost.exe under Wine, on this session's display.
gui:
	scripts/gui

native:
	scripts/bootstrap
	cmake --preset native && cmake --build --preset native

windows:
	scripts/bootstrap
	cmake --preset windows && cmake --build --preset windows

clean:
	rm -rf build
