create or replace package body fa_depreciation_run
as
  ------------------------------------------------------------------------------
  -- forward declarations
  ------------------------------------------------------------------------------
  function  period_dates (p_period in varchar2, p_start out date) return date;
  procedure log_line     (p_text in varchar2);

  ------------------------------------------------------------------------------
  -- package cursors
  ------------------------------------------------------------------------------
  cursor c_books (p_book_type in varchar2)
  is
    select b.book_type_code, b.currency_code, b.deprn_calendar, b.last_period_closed
      from fa_books_setup b
     where b.book_type_code = nvl(p_book_type, b.book_type_code)
       and b.enabled = 'Y';

  cursor c_assets (p_book_type in varchar2, p_period in varchar2)
  is
    select a.asset_id, a.asset_number, a.cost, a.salvage_value, a.deprn_reserve, a.method_code,
           a.life_in_months, a.date_placed_in_service, a.ytd_deprn
      from fa_asset_books a
     where a.book_type_code = p_book_type
       and a.date_placed_in_service <= (select end_date from fa_calendar_periods where period_name = p_period)
       and a.fully_reserved = 'N'
       and a.retired = 'N'
     order by a.asset_id;

  cursor c_methods (p_method_code in varchar2)
  is
    select m.method_code, m.rate_source, m.deprn_basis, m.flat_rate, m.db_factor
      from fa_methods m
     where m.method_code = p_method_code;

  cursor c_retirements (p_book_type in varchar2, p_period in varchar2)
  is
    select r.retirement_id, r.asset_id, r.units_retired, r.cost_retired, r.proceeds, r.date_retired
      from fa_retirements r
     where r.book_type_code = p_book_type
       and r.status = 'PENDING'
       and r.date_retired <= (select end_date from fa_calendar_periods where period_name = p_period);

  type t_asset_tab is table of c_assets%rowtype index by pls_integer;

  g_period      varchar2(15);
  g_book        varchar2(30);
  g_processed   pls_integer := 0;

  ------------------------------------------------------------------------------
  procedure log_line (p_text in varchar2)
  is
  begin
    fa_log.write('FA_DEPRN', g_book || '/' || g_period || ' ' || p_text);
  end log_line;

  function period_dates (p_period in varchar2, p_start out date) return date
  is
    l_end date;
  begin
    select start_date, end_date into p_start, l_end from fa_calendar_periods where period_name = p_period;
    return l_end;
  end period_dates;

  ------------------------------------------------------------------------------
  -- cursor housekeeping: close_cursors is for the asset pass, reset_state for
  -- everything a failed step may leave behind
  ------------------------------------------------------------------------------
  procedure close_cursors
  is
  begin
    if c_books%isopen then
      close c_books;
    end if;
    if c_assets%isopen then
      close c_assets;
    end if;
  end close_cursors;

  procedure reset_state
  is
  begin
    close_cursors;
    if c_methods%isopen then
      close c_methods;
    end if;
    g_period    := null;
    g_book      := null;
    g_processed := 0;
  end reset_state;

  ------------------------------------------------------------------------------
  function method_rate (p_method_code in varchar2, p_life_months in pls_integer) return number
  is
    l_m  c_methods%rowtype;
  begin
    open c_methods(p_method_code);
    fetch c_methods into l_m;
    close c_methods;

    return case l_m.rate_source
             when 'FLAT'  then l_m.flat_rate / 12
             when 'LIFE'  then 1 / nullif(p_life_months, 0)
             when 'DB'    then l_m.db_factor / nullif(p_life_months, 0)
             else 0
           end;
  exception
    when others then
      reset_state;
      raise;
  end method_rate;

  ------------------------------------------------------------------------------
  procedure depreciate_book (p_book_type in varchar2, p_period in varchar2)
  is
    l_assets    t_asset_tab;
    l_deprn     dbms_sql.number_table;
    l_ids       dbms_sql.number_table;
    l_start     date;
    l_end       date;

    procedure post_one (p_idx in pls_integer);   -- forward, body below

    function monthly_amount (p_idx in pls_integer) return number
    is
      l_base number;
    begin
      l_base := case when l_assets(p_idx).method_code like 'DB%'
                     then l_assets(p_idx).cost - l_assets(p_idx).deprn_reserve
                     else l_assets(p_idx).cost - l_assets(p_idx).salvage_value
                end;
      return round(least(l_base * method_rate(l_assets(p_idx).method_code, l_assets(p_idx).life_in_months),
                         l_assets(p_idx).cost - l_assets(p_idx).salvage_value - l_assets(p_idx).deprn_reserve), 2);
    end monthly_amount;

    procedure post_one (p_idx in pls_integer)
    is
    begin
      l_ids(l_ids.count + 1)     := l_assets(p_idx).asset_id;
      l_deprn(l_deprn.count + 1) := monthly_amount(p_idx);
    end post_one;
  begin
    g_book   := p_book_type;
    g_period := p_period;
    l_end    := period_dates(p_period, l_start);

    open c_assets(p_book_type, p_period);
    loop
      fetch c_assets bulk collect into l_assets limit 1000;
      exit when l_assets.count = 0;

      l_ids.delete;
      l_deprn.delete;
      for i in 1 .. l_assets.count loop
        if l_assets(i).date_placed_in_service <= l_end then
          post_one(i);
        end if;
      end loop;

      forall i in 1 .. l_ids.count
        insert into fa_deprn_detail (book_type_code, period_name, asset_id, deprn_amount, created_on)
        values (p_book_type, p_period, l_ids(i), l_deprn(i), sysdate);

      forall i in 1 .. l_ids.count
        update fa_asset_books
           set deprn_reserve = deprn_reserve + l_deprn(i),
               ytd_deprn     = ytd_deprn + l_deprn(i),
               fully_reserved = case when deprn_reserve + l_deprn(i) >= cost - salvage_value then 'Y' else 'N' end
         where book_type_code = p_book_type
           and asset_id = l_ids(i);

      g_processed := g_processed + l_ids.count;
      commit;
    end loop;
    close c_assets;

    log_line(g_processed || ' assets depreciated');
  exception
    when others then
      log_line('depreciate_book failed: ' || sqlerrm);
      reset_state;
      raise;
  end depreciate_book;

  ------------------------------------------------------------------------------
  procedure process_retirements (p_book_type in varchar2, p_period in varchar2)
  is
    l_ret     c_retirements%rowtype;
    l_nbv     number;
    l_cost    number;
    l_gain    number;
  begin
    savepoint sp_retire;

    open c_retirements(p_book_type, p_period);
    loop
      fetch c_retirements into l_ret;
      exit when c_retirements%notfound;

      select cost - deprn_reserve, cost
        into l_nbv, l_cost
        from fa_asset_books
       where book_type_code = p_book_type
         and asset_id = l_ret.asset_id;

      l_gain := nvl(l_ret.proceeds, 0) - l_nbv * l_ret.cost_retired / nullif(l_cost, 0);

      update fa_retirements
         set status = 'PROCESSED', nbv_retired = l_nbv, gain_loss = l_gain, period_name = p_period
       where retirement_id = l_ret.retirement_id;

      update fa_asset_books
         set retired = case when cost = l_ret.cost_retired then 'Y' else 'N' end,
             cost = cost - l_ret.cost_retired
       where book_type_code = p_book_type
         and asset_id = l_ret.asset_id;
    end loop;
    close c_retirements;
  exception
    when no_data_found then
      rollback to sp_retire;
      reset_state;
      raise_application_error(-20901, 'retirement of an asset that is not in book ' || p_book_type);
    when others then
      rollback to sp_retire;
      reset_state;
      raise;
  end process_retirements;

  ------------------------------------------------------------------------------
  -- catch-up depreciation for an asset added late (placed in service in an
  -- earlier, already closed period)
  procedure catch_up (p_asset_id in number, p_book_type in varchar2)
  is
    cursor c_hist (p_since in date)
    is
      select period_name, end_date
        from fa_calendar_periods
       where end_date >= p_since
         and end_date < (select start_date from fa_calendar_periods where period_name = g_period)
       order by end_date;

    l_since   date;
    l_period  varchar2(15);
    l_end     date;
    l_amount  number;
    l_total   number := 0;

    procedure cleanup
    is
    begin
      if c_hist%isopen then
        close c_hist;
      end if;
    end cleanup;
  begin
    select date_placed_in_service
      into l_since
      from fa_asset_books
     where asset_id = p_asset_id
       and book_type_code = p_book_type;

    open c_hist(l_since);
    loop
      fetch c_hist into l_period, l_end;
      exit when c_hist%notfound;

      select round((cost - salvage_value) * method_rate(method_code, life_in_months), 2)
        into l_amount
        from fa_asset_books
       where asset_id = p_asset_id
         and book_type_code = p_book_type;

      insert into fa_deprn_detail (book_type_code, period_name, asset_id, deprn_amount, catch_up_flag, created_on)
      values (p_book_type, l_period, p_asset_id, l_amount, 'Y', sysdate);
      l_total := l_total + l_amount;
    end loop;
    cleanup;

    update fa_asset_books
       set deprn_reserve = deprn_reserve + l_total
     where asset_id = p_asset_id
       and book_type_code = p_book_type;
  exception
    when others then
      cleanup;
      log_line('catch_up ' || p_asset_id || ': ' || sqlerrm);
      raise;
  end catch_up;

  ------------------------------------------------------------------------------
  -- the asset controller's "what if the rates changed by x %" simulation;
  -- results go to a global temporary table that the report reads
  procedure what_if (p_book_type in varchar2, p_rate_factor in number)
  is
    cursor c_sim
    is
      select a.asset_id, a.cost, a.salvage_value, a.deprn_reserve, a.method_code, a.life_in_months
        from fa_asset_books a
       where a.book_type_code = p_book_type
         and a.fully_reserved = 'N'
         and a.retired = 'N';

    type t_sim_tab is table of c_sim%rowtype;
    l_rows t_sim_tab;
  begin
    delete from fa_what_if_gtt;

    open c_sim;
    fetch c_sim bulk collect into l_rows;
    -- no close needed: c_sim is local and closed implicitly when what_if ends

    for i in 1 .. l_rows.count loop
      insert into fa_what_if_gtt (asset_id, current_monthly, simulated_monthly)
      values (l_rows(i).asset_id,
              round((l_rows(i).cost - l_rows(i).salvage_value) * method_rate(l_rows(i).method_code, l_rows(i).life_in_months), 2),
              round((l_rows(i).cost - l_rows(i).salvage_value) * method_rate(l_rows(i).method_code, l_rows(i).life_in_months) * p_rate_factor, 2));
    end loop;
  end what_if;

  ------------------------------------------------------------------------------
  -- budget projection: depreciation of the next n periods on today's values
  procedure projection (p_book_type in varchar2, p_periods in pls_integer)
  is
    l_asset c_assets%rowtype;
    l_rate  number;
  begin
    delete from fa_projection where book_type_code = p_book_type;

    open c_assets(p_book_type, g_period);
    loop
      fetch c_assets into l_asset;
      exit when c_assets%notfound;
      l_rate := method_rate(l_asset.method_code, l_asset.life_in_months);
      for p in 1 .. p_periods loop
        insert into fa_projection (book_type_code, asset_id, period_offset, deprn_amount)
        values (p_book_type, l_asset.asset_id, p,
                round(least((l_asset.cost - l_asset.salvage_value) * l_rate,
                            greatest(l_asset.cost - l_asset.salvage_value - l_asset.deprn_reserve - (p - 1) * (l_asset.cost - l_asset.salvage_value) * l_rate, 0)), 2));
      end loop;
    end loop;
    close fa_depreciation_run.c_assets;
  exception
    when others then
      log_line('projection failed: ' || sqlerrm);
      raise;
  end projection;

  ------------------------------------------------------------------------------
  -- recalc: overloads by asset id and by asset number
  procedure recalc (p_asset_id in number)
  is
    cursor c_asset
    is
      select book_type_code from fa_asset_books where asset_id = p_asset_id;
    l_book varchar2(30);
  begin
    open c_asset;
    loop
      fetch c_asset into l_book;
      exit when c_asset%notfound;
      catch_up(p_asset_id, l_book);
    end loop;
    close c_asset;
  end recalc;

  procedure recalc (p_asset_number in varchar2)
  is
    cursor c_asset
    is
      select asset_id from fa_additions where asset_number = p_asset_number;
    l_id number;
  begin
    open c_asset;
    fetch c_asset into l_id;
    if c_asset%found then
      close c_asset;
      recalc(l_id);
    else
      close c_asset;
      raise_application_error(-20902, 'asset ' || p_asset_number || ' not found');
    end if;
  end recalc;

  ------------------------------------------------------------------------------
  function assets_rc (p_book_type in varchar2) return sys_refcursor
  is
    l_rc sys_refcursor;
  begin
    open l_rc for
      select asset_id, asset_number, cost, deprn_reserve, cost - deprn_reserve nbv
        from fa_asset_books
       where book_type_code = p_book_type
       order by asset_number;
    return l_rc;
  end assets_rc;

  ------------------------------------------------------------------------------
  procedure run_period (p_book_type in varchar2, p_period in varchar2)
  is
  begin
    for b in c_books(p_book_type) loop
      g_processed := 0;
      process_retirements(b.book_type_code, p_period);
      depreciate_book(b.book_type_code, p_period);
      update fa_books_setup set last_period_closed = p_period where book_type_code = b.book_type_code;
      commit;
    end loop;
  exception
    when others then
      rollback;
      reset_state;
      raise;
  end run_period;

end fa_depreciation_run;
/
