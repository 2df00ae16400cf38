"""The one exception type of Quorvel, and the error numbers it carries."""

ABSENT_KEY = 5
"""A key not in a collection (never escapes the engine)."""
OVERFLOW = 6
"""A number or amount outside its range."""
OUT_OF_MEMORY = 7
"""Memory ran out."""
OUT_OF_RANGE = 9
"""A collection position outside 1..Count."""
TYPE_MISMATCH = 13
"""A text that is no number or Boolean; also a str that cannot be encoded as UTF-8."""
INTERNAL_ERROR = 51
"""A failure inside the engine that is none of the others."""
OBJECT_NOT_SET = 91
"""A missing attribute, tax model or other object."""
DUPLICATE_KEY = 457
"""A key already held by a collection."""
ISLAND_MISSING = 1001
"""The host cannot give a data island (a callable host that raised included)."""
BAD_ROW = 1002
"""An island row that cannot be loaded for another reason."""
DOCUMENT_REFUSED = 1003
"""A transaction refused as not well-formed XML by a batch run (re-rating) or the service."""
CANNOT_READ = 2001
"""A file that cannot be read."""


class Error(Exception):
    """A failure of the engine: its error number and a description of what failed and where."""

    number: int
    description: str

    def __init__(self, number: int, description: str) -> None:
        super().__init__(number, description)
        self.number = number
        self.description = description

    def __str__(self) -> str:
        return f"error {self.number}: {self.description}"
