# The two commands a newcomer needs: `make run` and `make test`.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo

.PHONY: deps configure build run test clean

deps:
	./scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: configure
	cmake --build $(BUILD)

run: build
	./scripts/run-sample.sh $(BUILD)

# Without a network the sample cannot be fetched, and without the real-file
# corpus its tests cannot run: the tests concerned are then skipped, and this
# says so first.
test: build
	./scripts/fetch-sample.sh $(BUILD) >/dev/null || echo "make test: fruit.mdb could not be fetched; the tests that read it are skipped" >&2
	./scripts/corpus-folder.sh >/dev/null 2>&1 || echo "make test: $$(./scripts/corpus-folder.sh 2>&1); the tests that read it are skipped" >&2
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2

clean:
	rm -rf $(BUILD)
