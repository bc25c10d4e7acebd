-- ZEV on Microsoft SQL Server, step 1 of 10: the database.
-- Run with sqlcmd as a member of sysadmin (see README.md). The Cyrillic collation makes the
-- single-byte varchar columns hold code page 1251, the client's own code page.

IF DB_ID(N'ZEV') IS NULL
    CREATE DATABASE ZEV COLLATE Cyrillic_General_CI_AS;
GO
