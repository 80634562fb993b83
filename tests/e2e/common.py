"""The clock's default place, which the end-to-end scenario files share."""

DEFAULT_LEFT_TWIPS = 5430
DEFAULT_TOP_TWIPS = -15
