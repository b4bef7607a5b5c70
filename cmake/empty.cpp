// A folder without sources yet still forms a library.
