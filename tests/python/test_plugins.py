"""Plug-in failures raise their own errors; Ctrl-C ends a hung plug-in's host."""

import os
import signal
import subprocess
import sys
import textwrap
import time

import numpy as np
import pytest

import orvelle


def test_codec_outputs_and_internal_source():
    m = orvelle.codec_quality("passthrough", size="short")
    assert m.frame_size > 0 and m.plugin_file.endswith("passthrough.so")
    assert m.processed.dtype == np.int16
    # A codec that changes nothing scores its own output as the full mark.
    assert m.score == orvelle.compare(orvelle.signal("short"), m.processed[: orvelle.signal("short").size]).score
    outputs = orvelle.compare_codecs("passthrough", "g711u", size="short")
    assert outputs.source_output.size == outputs.tested_output.size > 0
    assert not np.array_equal(outputs.source_output, outputs.tested_output)


@pytest.mark.parametrize("plugin, error, kind", [
    ("no_such_codec", orvelle.PluginLoadError, "loadFailed"),
    ("missing_code_and_decode", orvelle.PluginLoadError, "loadFailed"),
    ("calls_abort", orvelle.PluginCrashError, "crashed"),
    ("throwing_recode", orvelle.PluginError, "pluginFailed"),
    ("endless_sleep", orvelle.PluginTimeoutError, "timedOut"),
])
def test_plugin_failures(plugin, error, kind, test_plugins):
    path = test_plugins / f"{plugin}.so"
    name = str(path) if path.exists() else plugin
    with pytest.raises(error) as raised:
        orvelle.codec_quality(name, size="short", timeout=1)
    assert raised.value.kind == kind
    assert plugin in str(raised.value)


def _host_processes(parent: int) -> list:
    """The plug-in hosts still alive among `parent`'s children."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
            with open(f"/proc/{entry}/cmdline", "rb") as cmdline:
                command = cmdline.read()
        except OSError:
            continue
        if int(fields[1]) == parent and b"orvelle-plugin-host" in command and fields[0] != "Z":
            found.append(int(entry))
    return found


@pytest.mark.parametrize("call", [
    "orvelle.codec_quality(hung, size='short')",
    "orvelle.league([hung, 'g711u'], speech=False, size='short', jobs=2)",
])
def test_interrupt_during_a_hung_plugin_ends_its_host(call, test_plugins):
    script = textwrap.dedent(f"""
        import os, sys, time, orvelle
        hung = {str(test_plugins / "endless_sleep.so")!r}
        print("ready", flush=True)
        started = time.monotonic()
        try:
            {call}
        except KeyboardInterrupt:
            print("interrupted", time.monotonic() - started, flush=True)
            time.sleep(30)
    """)
    child = subprocess.Popen([sys.executable, "-c", script], stdout=subprocess.PIPE, text=True,
                             env=dict(os.environ))
    try:
        assert child.stdout.readline().strip() == "ready"
        deadline = time.monotonic() + 20
        while not _host_processes(child.pid):
            assert time.monotonic() < deadline, "the plug-in host never started"
            time.sleep(0.05)
        child.send_signal(signal.SIGINT)
        sent = time.monotonic()
        word, _ = child.stdout.readline().split()
        assert word == "interrupted"
        assert time.monotonic() - sent < 3.0
        assert _host_processes(child.pid) == []
    finally:
        child.kill()
        child.wait()
