# Thin wrapper over CMake: `make demo` and `make check` are all a fresh Debian 12 machine needs.
BUILD_DIR ?= build
# One Clang build with AddressSanitizer and UndefinedBehaviorSanitizer serves
# both the test suite and the fuzz targets.
SANITIZE_DIR ?= $(BUILD_DIR)-sanitize
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local
FUZZ_SECONDS ?= 30
# What builds and installs the program (`make install`, `make demo`); `make
# package` adds the two tools of the Debian package.
BUILD_PACKAGES := cmake g++ make pkg-config libyaml-dev libexpat1-dev libfmt-dev libhowardhinnant-date-dev \
                  libutfcpp-dev
PACKAGING_PACKAGES := dpkg-dev file
# What the tests need besides (`make check`): the unit-test framework, the zone
# database and a German locale for the footer, the man page linters, the
# package tools and lintian, the schema validators, and libfiu's fault injection.
TEST_PACKAGES := googletest libgtest-dev tzdata locales groff-base mandoc man-db $(PACKAGING_PACKAGES) lintian \
                 python3-jsonschema python3-yaml libxml2-utils fiu-utils
SANITIZE_PACKAGES := clang libclang-rt-14-dev
FUZZ_TARGETS := fuzz_yaml_records fuzz_verdict_xml fuzz_reports fuzz_command_line fuzz_walk
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
# The browser checks drive Debian's chromium (never a downloaded browser) and read PDFs with pdftotext.
BROWSER_PACKAGES := chromium poppler-utils

# apt waits for a lock that another apt or dpkg holds, rather than failing.
APT_GET := apt-get -o DPkg::Lock::Timeout=120
# $(call install_missing,packages): apt-get installs those that are not installed yet.
# Whatever dpkg has unpacked counts as present, "install ok triggers-pending"
# as much as "install ok installed"; a package dpkg does not know, or keeps
# only the configuration files of, is missing.
install_missing = missing=$$(for p in $(1); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | \
	      grep -Eq ' ok (installed|triggers-pending|triggers-awaited|half-configured|unpacked)$$' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "installing:" $$missing; \
	  $(SUDO) $(APT_GET) update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) $(APT_GET) install -y -qq $$missing; \
	fi

.PHONY: all build deps test-deps package-deps sanitize-deps locale check sanitize-build sanitize-check fuzz-smoke demo install package bench bench-scaling microbench clean \
        browser-deps browser-check browser-bench

all: build

deps:
	@$(call install_missing,$(BUILD_PACKAGES))

test-deps:
	@$(call install_missing,$(TEST_PACKAGES))

package-deps:
	@$(call install_missing,$(PACKAGING_PACKAGES))

sanitize-deps: deps test-deps
	@$(call install_missing,$(SANITIZE_PACKAGES))

# The German-locale footer test needs de_DE.UTF-8; make it when we can, else that test skips.
locale:
	@locale -a 2>/dev/null | grep -qix 'de_DE.utf8' || \
	  { [ "$$(id -u)" = 0 ] && localedef -i de_DE -f UTF-8 de_DE.UTF-8 2>/dev/null; } || \
	  echo "de_DE.UTF-8 locale unavailable: its test will skip"

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRELK_WERROR=ON

build: $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j$(JOBS)

# Configured again first, so that a googletest installed since the last
# configuration is found.
check: deps test-deps locale
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRELK_WERROR=ON >/dev/null
	$(MAKE) build
	cd $(BUILD_DIR) && ctest --output-on-failure -j$(JOBS)

# Line tables are all the sanitizers' reports need, and compile faster than
# full debug information.
$(SANITIZE_DIR)/CMakeCache.txt:
	CXX=clang++ cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -gline-tables-only -DNDEBUG" -DBRELK_WERROR=ON \
	  -DBRELK_SANITIZE=ON -DBRELK_FUZZ=ON

sanitize-build: $(SANITIZE_DIR)/CMakeCache.txt
	cmake --build $(SANITIZE_DIR) -j$(JOBS)

# Every test under the sanitizers.
sanitize-check: sanitize-deps locale
	$(MAKE) sanitize-build
	cd $(SANITIZE_DIR) && ctest --output-on-failure -j$(JOBS)

# Each fuzz target for FUZZ_SECONDS from its seed corpus; see fuzz/README.md.
fuzz-smoke: sanitize-deps
	$(MAKE) $(SANITIZE_DIR)/CMakeCache.txt
	cmake --build $(SANITIZE_DIR) --target $(FUZZ_TARGETS) -j$(JOBS)
	fuzz/run $(SANITIZE_DIR) $(FUZZ_SECONDS)

demo: deps
	$(MAKE) build
	@mkdir -p out
	@set -e; for kind in explore optimize measure verdict; do \
	  if [ -n "$$(find examples/$$kind -mindepth 2 -type f 2>/dev/null | head -n 1)" ]; then \
	    $(BUILD_DIR)/brelk $$kind examples/$$kind -o out/$$kind.html; \
	  fi; \
	done; \
	if [ -n "$$(find examples/optimize -mindepth 2 -type f 2>/dev/null | head -n 1)" ]; then \
	  $(BUILD_DIR)/brelk optimize examples/optimize --hide-scores -o out/optimize-hidden-scores.html; \
	fi

# The program (stripped), its man page and its bash completion under $(PREFIX).
install: deps
	$(MAKE) build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX) --strip

# A Debian package of the same files under /usr, left in $(BUILD_DIR).
package: deps package-deps
	$(MAKE) build
	cd $(BUILD_DIR) && cpack

# Release builds of brelk and of the bench targets.
BENCH_DIR := $(BUILD_DIR)-bench
bench-build = cmake -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=Release -DBRELK_BENCH=ON -DBUILD_TESTING=OFF && \
	cmake --build $(BENCH_DIR) -j$(JOBS) --target $(1)

# One table: brelk against the parse-and-write floor over generated corpora,
# kept in $(BENCH_DIR)/corpora. Larger: make bench BENCH_ARGS="--sizes 5,50,200".
bench: deps
	@$(call install_missing,python3)
	$(call bench-build,brelk brelk_corpus brelk_floor)
	/usr/bin/python3 bench/run_bench.py --build $(BENCH_DIR) $(BENCH_ARGS)

# One dimension of the input grown at a time, ×10 and ×10 again: what each step
# costs and whether it stays linear. Some: make bench-scaling SCALING_ARGS="--only prompt,criteria".
bench-scaling: deps
	@$(call install_missing,python3 time)
	$(call bench-build,brelk)
	/usr/bin/python3 bench/scaling.py --build $(BENCH_DIR) $(SCALING_ARGS)

# The Google micro benchmarks of single stages.
microbench: deps
	@$(call install_missing,libbenchmark-dev)
	$(call bench-build,microbench)
	@for b in $(BENCH_DIR)/bench_*; do echo "== $$b"; $$b; done

browser-deps:
	@$(call install_missing,$(BROWSER_PACKAGES))
	cd tests/browser && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error

# The demo's pages and a generated exploration of 50 configurations, validated
# and then opened in chromium, with one of 1,024 configurations for what only
# size shows; screenshots and PDFs land in out/browser/.
browser-check: demo browser-deps
	@set -e; for n in 50 1024; do \
	  rm -rf $(BUILD_DIR)/explore-$$n; \
	  node tests/browser/generate-exploration.mjs $$n $(BUILD_DIR)/explore-$$n; \
	done
	$(BUILD_DIR)/brelk explore $(BUILD_DIR)/explore-50 -o out/explore-50.html
	$(BUILD_DIR)/brelk explore $(BUILD_DIR)/explore-1024 -o out/large/explore-1024.html
	cd tests/browser && npx --no-install html-validate --config htmlvalidate.config.mjs ../../out/*.html
	cd tests/browser && node check.mjs ../../out ../../out/large/explore-1024.html

# How long generated explorations of 500 and 1,024 configurations take to
# reach their load event and to open every disclosure in chromium, as a table
# (BROWSER_BENCH_RUNS fresh tabs each). It measures and fails on no number.
BROWSER_BENCH_RUNS ?= 3
browser-bench: deps browser-deps
	$(MAKE) build
	@set -e; for n in 500 1024; do \
	  rm -rf $(BUILD_DIR)/explore-$$n; \
	  node tests/browser/generate-exploration.mjs $$n $(BUILD_DIR)/explore-$$n; \
	  $(BUILD_DIR)/brelk explore $(BUILD_DIR)/explore-$$n -o $(BUILD_DIR)/explore-$$n.html; \
	done
	node tests/browser/bench.mjs $(BROWSER_BENCH_RUNS) $(BUILD_DIR)/explore-500.html $(BUILD_DIR)/explore-1024.html

clean:
	rm -rf $(BUILD_DIR) $(BENCH_DIR) $(SANITIZE_DIR) out
