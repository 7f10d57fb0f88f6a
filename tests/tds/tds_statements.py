"""The statements the peer understands, recognised the way SQL Server reads them:
keywords in any case, blanks and line breaks between tokens, a double-quoted or
bracketed database name ("" and ]] stand for one mark) and a string literal path
('' stands for one apostrophe)."""

import re

_LIST = re.compile(r"\s*select\s+name\s+from\s+(?:(?:master\s*\.\s*)?dbo\s*\.\s*)?sysdatabases\s*;?\s*",
                   re.IGNORECASE)

_NAME = r'"(?P<quoted>(?:[^"]|"")*)"|\[(?P<bracketed>(?:[^\]]|\]\])*)\]|(?P<bare>[^\s"\[\]]+)'
_BACKUP = re.compile(
    r"\s*backup\s+database\s+(?:" + _NAME + r")\s+to\s+disk\s*=\s*N?'(?P<path>(?:[^']|'')*)'"
    r"(?:\s+with\s+(?P<options>[^;]*?))?\s*;?\s*",
    re.IGNORECASE)


def is_database_list(sql):
    return _LIST.fullmatch(sql) is not None


def parse_backup(sql):
    """(database, path, options) of a BACKUP DATABASE ... TO DISK statement, or None."""
    match = _BACKUP.fullmatch(sql)
    if not match:
        return None
    if match.group("quoted") is not None:
        name = match.group("quoted").replace('""', '"')
    elif match.group("bracketed") is not None:
        name = match.group("bracketed").replace("]]", "]")
    else:
        name = match.group("bare")
    options = [o.strip().lower() for o in (match.group("options") or "").split(",") if o.strip()]
    return name, match.group("path").replace("''", "'"), options
