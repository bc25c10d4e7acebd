-- ZEV on Microsoft SQL Server, step 4 of 10: the stored procedures.
-- Each procedure names the columns of its result in a "-- result:" line for the reader; the test
-- suite checks the parameter lists and the columns of the SELECT that gives each result against
-- what the embedded server answers.

USE ZEV;
GO

-- The student's elective places in the curriculum of a speciality, year and semester: one row per
-- place, with what is chosen for it (discipline, teacher, stream, examination, when it is taken).
-- p34 is the name of the discipline that the curriculum fixes for the place, if any. Rows are
-- written back to DisciplineForStudent by id_disciplineForStudent.
CREATE OR ALTER PROCEDURE dbo.SelectDisciplineForStudent
    @id_speciality int,
    @id_a_year int,
    @id_semester int,
    @id_student int,
    @id_group int
AS
-- result: id_disciplineForStudent, id_discipline, id_teacher, p34, ZEV_user, id_examination, subgroup, id_group, descGroupNum, id_semester, id_a_year, p30
BEGIN
    SET NOCOUNT ON;
    SELECT d.id_disciplineForStudent, d.id_discipline, d.id_teacher, f.p34, d.ZEV_user,
           d.id_examination, d.subgroup, d.id_group, d.descGroupNum, d.id_semester,
           d.id_a_year, d.p30
    FROM dbo.DisciplineForStudent AS d
    LEFT JOIN dbo.discipline AS f ON f.id_discipline = d.fixed_discipline
    WHERE d.id_student = @id_student
      AND d.id_speciality = @id_speciality
      AND d.plan_a_year = @id_a_year
      AND d.plan_semester = @id_semester
      AND d.id_group = @id_group
    ORDER BY d.descGroupNum, d.id_disciplineForStudent;
END
GO

-- The disciplines on offer for the student's places in that year and semester: every alternative
-- of each group of alternatives in which the student has a place, with its department,
-- examination kind and credits.
CREATE OR ALTER PROCEDURE dbo.GetDisciplineForDisciplineName
    @id_speciality int,
    @id_a_year int,
    @id_student int,
    @id_semester int
AS
-- result: id_discipline, p34, descGroupNum, id_kafedra, id_examination, Krdt
BEGIN
    SET NOCOUNT ON;
    SELECT pe.id_discipline, dsc.p34, pe.descGroupNum, pe.id_kafedra, pe.id_examination, pe.Krdt
    FROM dbo.plan_elective AS pe
    INNER JOIN dbo.discipline AS dsc ON dsc.id_discipline = pe.id_discipline
    WHERE pe.id_speciality = @id_speciality
      AND pe.id_a_year = @id_a_year
      AND pe.id_semester = @id_semester
      AND pe.descGroupNum IN (SELECT s.descGroupNum FROM dbo.DisciplineForStudent AS s
                              WHERE s.id_student = @id_student AND s.plan_a_year = @id_a_year
                                AND s.plan_semester = @id_semester
                                AND s.id_speciality = @id_speciality)
    ORDER BY pe.descGroupNum, dsc.p34;
END
GO

-- The disciplines for which a debt of the student (a member of the group) may stand in that
-- semester: those the student takes in it and those already recorded as debts.
CREATE OR ALTER PROCEDURE dbo.GetDebts
    @id_group int,
    @id_student int,
    @id_semester int
AS
-- result: id_discipline, discipline
BEGIN
    SET NOCOUNT ON;
    SELECT d.id_discipline, d.p34 AS discipline
    FROM dbo.discipline AS d
    WHERE EXISTS (SELECT 1 FROM dbo.s_g AS sg
                  WHERE sg.id_student = @id_student AND sg.id_group = @id_group)
      AND d.id_discipline IN (
          SELECT id_discipline FROM dbo.DisciplineForStudent
          WHERE id_student = @id_student AND id_semester = @id_semester
          UNION SELECT fixed_discipline FROM dbo.DisciplineForStudent
          WHERE id_student = @id_student AND id_semester = @id_semester
          UNION SELECT id_discipline FROM dbo.Debts
          WHERE id_student = @id_student AND id_semester = @id_semester)
    ORDER BY d.p34;
END
GO

-- Sign-in. Checks the login (letter case ignored) and the password digest (hexadecimal MD5,
-- letter case ignored) against zev_login; with a new digest and the correct current one it stores
-- the new digest and renews the password's age. Answers one row: the member of staff's own
-- database account (each character stored one code lower, as the client shifts it back), the
-- staff id, the days left before the password expires (below 0 when it has expired or an
-- administrator demands a change), a message (empty on success) and the update flag (2 when a
-- release of the program has been published that this workstation has not been given yet; the
-- workstation is then recorded as given it, and a workstation seen for the first time is recorded
-- with the current release, from which it was installed). An account whose password has expired
-- or must be changed gets empty account columns. Five wrong passwords for one login within 15
-- minutes close it for 15 minutes. Every call is logged in signin_log, never with a digest. Dates
-- are UTC.
-- The sign-in account may execute this procedure and nothing else; ownership chaining lets it
-- read and write the sign-in tables only through here.
CREATE OR ALTER PROCEDURE dbo.GET_USER
    @login nvarchar(50),
    @password varchar(34),
    @new_password varchar(34),
    @program nvarchar(50),
    @ip varchar(45),
    @computer nvarchar(256),
    @user_name nvarchar(50),
    @mode varchar(10),
    @new_password_length varchar(10)
AS
-- result: db_user, db_password, id_login, password_days, message, update_flag
BEGIN
    SET NOCOUNT ON;
    DECLARE @id_login int, @stored varchar(32), @changed date, @max_age int, @must_change int,
            @locked int, @db_user nvarchar(20), @db_password nvarchar(20);
    DECLARE @now datetime2(0) = SYSUTCDATETIME();
    DECLARE @today date = CAST(@now AS date);
    DECLARE @answer_user nvarchar(20) = N'', @answer_password nvarchar(20) = N'',
            @answer_id int = 0, @days int = 0, @message nvarchar(200) = N'', @update int = 0,
            @outcome nvarchar(200), @i int, @code int;
    -- Absent texts count as empty ones, as in the embedded server.
    SELECT @program = ISNULL(@program, N''), @ip = ISNULL(@ip, ''),
           @computer = ISNULL(@computer, N'');
    DECLARE @digest varchar(34) = UPPER(ISNULL(@password, '')),
            @new_digest varchar(34) = UPPER(@new_password);

    -- One transaction: the guessing count, the password change and the workstation's release
    -- are read and written together, so that two sign-ins at once cannot both pass the count or
    -- both insert the same workstation.
    SET XACT_ABORT ON;
    BEGIN TRANSACTION;

    -- Guessing: after 5 wrong passwords (or unknown logins) under one login name within 15
    -- minutes, counted since its last successful sign-in, the login is refused for 15 minutes from
    -- the fifth, whatever password comes. Refused attempts are logged but not counted again.
    DECLARE @last_success int =
        (SELECT MAX(id_signin) FROM dbo.signin_log WITH (UPDLOCK, HOLDLOCK)
         WHERE login = ISNULL(@login, N'') AND outcome LIKE N'signed in%');
    DECLARE @failures int, @newest_failure datetime2(0), @fifth_failure datetime2(0);
    SELECT @failures = COUNT(*), @newest_failure = MAX(at), @fifth_failure = MIN(at)
    FROM (SELECT TOP (5) at FROM dbo.signin_log WITH (UPDLOCK, HOLDLOCK)
          WHERE login = ISNULL(@login, N'')
            AND outcome IN (N'wrong password', N'unknown login')
            AND id_signin > ISNULL(@last_success, 0)
          ORDER BY id_signin DESC) AS recent;
    DECLARE @guessed bit = CASE WHEN @failures = 5
                                     AND DATEDIFF(second, @fifth_failure, @newest_failure) < 900
                                     AND @now < DATEADD(minute, 15, @newest_failure)
                                THEN 1 ELSE 0 END;

    SELECT @id_login = l.id_login, @stored = UPPER(l.pwd_digest), @changed = l.pwd_changed,
           @max_age = l.pwd_max_age_days, @must_change = l.must_change, @locked = l.locked,
           @db_user = a.name, @db_password = a.password
    FROM dbo.zev_login AS l
    INNER JOIN dbo.db_account AS a ON a.name = l.db_user
    WHERE l.login = @login;  -- the database collation ignores letter case

    -- A locked account is named as such only to the right password: to a wrong one it answers as
    -- any wrong password does, so that the lock does not tell which logins exist.
    IF @guessed = 1
        SELECT @message = N'Слишком много неверных попыток входа. Вход закрыт на 15 минут.',
               @outcome = N'refused: too many wrong passwords';
    ELSE IF @id_login IS NULL
        SELECT @message = N'Неверно указан логин или пароль.', @outcome = N'unknown login';
    ELSE IF @stored COLLATE Latin1_General_BIN <> @digest COLLATE Latin1_General_BIN
        SELECT @message = N'Неверно указан логин или пароль.', @outcome = N'wrong password';
    ELSE IF @locked <> 0
        SELECT @message = N'Учётная запись заблокирована. Обратитесь к администратору.',
               @outcome = N'locked';
    ELSE IF @new_digest IS NOT NULL
         AND (LEN(@new_digest) <> 32 OR @new_digest COLLATE Latin1_General_BIN LIKE '%[^0-9A-F]%')
        SELECT @message = N'Новый пароль передан в неверном виде.',
               @outcome = N'malformed new password';
    ELSE IF @new_digest IS NOT NULL
         AND @new_digest COLLATE Latin1_General_BIN = @digest COLLATE Latin1_General_BIN
        SELECT @message = N'Новый пароль должен отличаться от прежнего.',
               @outcome = N'new password equals the old one';
    ELSE
    BEGIN
        IF @new_digest IS NOT NULL
        BEGIN
            UPDATE dbo.zev_login
            SET pwd_digest = @new_digest, pwd_changed = @today, must_change = 0
            WHERE id_login = @id_login;
            SELECT @changed = @today, @must_change = 0,
                   @outcome = N'signed in, password changed';
        END
        ELSE
            SET @outcome = N'signed in';

        SET @answer_id = @id_login;
        SET @days = CASE WHEN @must_change <> 0 THEN -1
                         ELSE @max_age - DATEDIFF(day, @changed, @today) END;
        IF @days < 0
            SET @outcome = @outcome + CASE WHEN @must_change <> 0 THEN N', change demanded'
                                           ELSE N', expired' END;

        -- The database account, each character one Windows-1251 code lower (code 0 becomes
        -- 255): the varchar conversions run in the database's Cyrillic code page, as the client
        -- shifts the codes of that code page back up.
        -- An account whose password must be changed first gets no database account: the client
        -- does not connect then, and the account's password stays unsent.
        IF @days < 0
            SELECT @db_user = N'', @db_password = N'';
        SET @i = 1;
        WHILE @i <= LEN(@db_user + N'.') - 1
        BEGIN
            SET @code = ASCII(CAST(SUBSTRING(@db_user, @i, 1) AS varchar(1)));
            SET @answer_user = @answer_user
                               + CAST(CHAR(CASE WHEN @code = 0 THEN 255 ELSE @code - 1 END)
                                      AS nvarchar(1));
            SET @i = @i + 1;
        END
        SET @i = 1;
        WHILE @i <= LEN(@db_password + N'.') - 1
        BEGIN
            SET @code = ASCII(CAST(SUBSTRING(@db_password, @i, 1) AS varchar(1)));
            SET @answer_password = @answer_password
                                   + CAST(CHAR(CASE WHEN @code = 0 THEN 255 ELSE @code - 1 END)
                                          AS nvarchar(1));
            SET @i = @i + 1;
        END

        -- The update flag.
        DECLARE @latest int = (SELECT MAX(version) FROM dbo.program_release
                               WHERE program = @program AND published <= @today);
        DECLARE @given int = (SELECT version FROM dbo.workstation_release WITH (UPDLOCK, HOLDLOCK)
                              WHERE computer = @computer AND program = @program);
        IF @latest IS NOT NULL AND (@given IS NULL OR @given < @latest)
        BEGIN
            IF @given IS NULL
                INSERT INTO dbo.workstation_release (computer, program, version)
                VALUES (@computer, @program, @latest);
            ELSE
            BEGIN
                UPDATE dbo.workstation_release SET version = @latest
                WHERE computer = @computer AND program = @program;
                SELECT @update = 2, @outcome = @outcome + N', update offered';
            END
        END
    END

    INSERT INTO dbo.signin_log (at, login, program, ip, computer, outcome)
    VALUES (@now, ISNULL(@login, N''), @program, @ip, @computer, @outcome);
    COMMIT TRANSACTION;

    SELECT @answer_user AS db_user, @answer_password AS db_password, @answer_id AS id_login,
           @days AS password_days, @message AS message, @update AS update_flag;
END
GO
