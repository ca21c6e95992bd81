"""The errors orvelle raises: one base class, a subclass for each cause."""


class Error(Exception):
    """A run that gave no result.

    ``str(error)`` is the whole message; ``kind`` names the cause as the
    engine does (``"notMeasurable"``, ``"timedOut"``, ...), or is
    ``"badArgument"`` for an argument no run could take; ``detail`` names
    the file or plug-in and says what was found.
    """

    def __init__(self, message: str, kind: str = "failed", detail: str = "") -> None:
        super().__init__(message)
        self.kind = kind
        self.detail = detail


class InputError(Error, ValueError):
    """An input that cannot be taken: a file missing, unreadable, too short or
    too long; an array of the wrong type, shape or values; a bad argument."""


class FormatError(Error):
    """A sound file that is damaged, or in another format than 8000 Hz mono
    16-bit (pass ``resample=True`` to convert it)."""


class NotMeasurableError(Error):
    """No band of the source could be judged: the source holds no speech."""


class PluginError(Error):
    """The codec plug-in failed: it raised, or gave a bad frame size."""


class PluginLoadError(PluginError):
    """The plug-in could not be loaded, or lacks an export."""


class PluginCrashError(PluginError):
    """The plug-in's host process died of a signal."""


class PluginTimeoutError(PluginError):
    """A load or call of the plug-in went past its time limit."""


class StoppedError(Error):
    """The run was stopped before it ended (a batch interrupted, say)."""


class OutOfMemoryError(Error, MemoryError):
    """No memory for the samples, or a plug-in went past its memory limit."""


class WriteError(Error):
    """An output file could not be written."""
