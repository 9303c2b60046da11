# Two commands set up a fresh Debian 12 machine: `make run` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)
DATA_DIR ?= $(HOME)/.local/share/Pelkor
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

RUN_PACKAGES := cmake g++ make qt6-base-dev libqt6opengl6-dev qt6-charts-dev qt6-serialport-dev \
	libqt6sql6-sqlite libqt6sql6-odbc libqt6sql6-psql unixodbc odbc-postgresql tdsodbc \
	fonts-wqy-microhei fonts-arphic-uming qt6-translations-l10n
TEST_PACKAGES := $(RUN_PACKAGES) postgresql xvfb xauth socat poppler-utils cups cups-client cups-filters sqlite3 clang-format xdotool

.PHONY: run test build deps test-deps bench clean

run: deps build
	@mkdir -p "$(DATA_DIR)"
	@if [ ! -f "$(DATA_DIR)/pelkor.db" ]; then demo=--demo; fi; \
	  ./$(BUILD)/src/app/pelkor --database "sqlite:$(DATA_DIR)/pelkor.db" $$demo

test: test-deps build
	tools/check-format.sh
	tools/with-test-postgres.sh ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

deps:
	@tools/ensure-packages.sh $(RUN_PACKAGES)

test-deps:
	@tools/ensure-packages.sh $(TEST_PACKAGES)

bench: test-deps build
	tools/with-test-postgres.sh bench/run.sh $(BUILD)

clean:
	rm -rf $(BUILD)
